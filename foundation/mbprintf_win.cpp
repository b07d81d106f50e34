// mbprintf: a formatted message box.
#include <stdarg.h>
#include <stdio.h>
#include "kfile.h"

int mbprintf(HWND owner, char* caption, unsigned int style, char* format, ...) {
    char message[2048];
    va_list args;
    va_start(args, format);
    _vsnprintf(message, sizeof message - 1, format, args);
    va_end(args);
    message[sizeof message - 1] = 0;
    return MessageBoxA(owner, message, caption, style);
}
