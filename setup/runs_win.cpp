// The install run. It is not part of this engine yet: install mode ends as a
// failed step.
#include "runs.h"

int install_run(SetupInfo*) {
    return -1;
}
