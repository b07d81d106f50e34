// Child program of the process tests. "exit N" ends with exit code N;
// "cwd FILE" writes the current folder into FILE; "wait EVENT" waits for the
// named event to be set, then ends with 7.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc >= 3 && !strcmp(argv[1], "exit"))
        return (int)strtoul(argv[2], nullptr, 0);
    if (argc >= 3 && !strcmp(argv[1], "cwd")) {
        char folder[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, folder);
        FILE* out = fopen(argv[2], "w");
        if (!out)
            return 2;
        fputs(folder, out);
        fclose(out);
        return 0;
    }
    if (argc >= 3 && !strcmp(argv[1], "wait")) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
        if (!event)
            return 3;
        WaitForSingleObject(event, INFINITE);
        return 7;
    }
    return 1;
}
