// logprintf: the diagnostic log hook, which records nothing. In a file of its
// own so that prodkit.dll can carry and export its own copy.
#include "kfile.h"

void logprintf(char*, ...) {}
