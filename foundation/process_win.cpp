// execute_process: starts a program from a formatted command line.
#include <stdarg.h>
#include <stdio.h>
#include "paths.h"
#include "pathtext.h"

// Command lines live in a 260-byte buffer, as paths do.
enum { kCommandSize = 260 };

unsigned long execute_process(int wait, char* format, ...) {
    if (!format)
        return 0xFFFFFFFF;
    char command[kCommandSize];
    va_list args;
    va_start(args, format);
    // The runtime's _vsnprintf gives -1 when the text does not fit and leaves it
    // unterminated when it fills the buffer exactly: both are refused rather
    // than started cut short.
    int length = _vsnprintf(command, kCommandSize, format, args);
    va_end(args);
    if (length < 0 || length >= kCommandSize)
        return 0xFFFFFFFF;

    char folder[kCommandSize];
    int has_folder = command_folder(command, folder, kCommandSize);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_NEW_PROCESS_GROUP, nullptr,
                        has_folder ? folder : nullptr, &startup, &process))
        return 0xFFFFFFFF;
    CloseHandle(process.hThread);
    if (wait)
        WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code;
    if (!GetExitCodeProcess(process.hProcess, &code))
        code = 0xFFFFFFFF;
    CloseHandle(process.hProcess);
    return code;
}
