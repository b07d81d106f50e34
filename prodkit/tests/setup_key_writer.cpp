// Writes a text value through the registry key class that setup.exe is
// built with, for the comparison with the kit's copy:
//   setup_key_writer KEY NAME FILE (under HKCU; the text is FILE's bytes)
#include <stdio.h>
#include "kregkey.h"

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    char text[1024] = "";
    FILE* in = fopen(argv[3], "rb");
    if (!in)
        return 2;
    size_t n = fread(text, 1, sizeof text - 1, in);
    fclose(in);
    text[n] = 0;
    kRegKey key;
    if (!key.create(HKEY_CURRENT_USER, argv[1]))
        return 1;
    return key.set(argv[2], text) ? 0 : 1;
}
