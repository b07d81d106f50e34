// A stand-in for the network helper that appends the command line it was
// started with to "commands.txt" beside it and answers 0.
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    char* last = strrchr(path, '\\');
    if (n == 0 || !last)
        return -1;
    strcpy(last + 1, "commands.txt");
    FILE* out = fopen(path, "a");
    if (!out)
        return -1;
    fprintf(out, "%s\n", GetCommandLineA());
    fclose(out);
    return 0;
}
