// The length of an open file from the system, all 64 bits of it: the C
// library's ftell is a signed 32-bit position and fails or wraps at 2 GiB.
#include <windows.h>
#include <io.h>
#include <stdio.h>
#include "kit_internal.h"

unsigned long open_file_length(FILE* file) {
    HANDLE handle = (HANDLE)_get_osfhandle(_fileno(file));
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(handle, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return 0;
    return high ? 0xFFFFFFFFul : low;
}
