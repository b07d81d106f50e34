// Writes a text value through the registry key class that setup.exe is
// built with, for the comparison with the kit's copy:
//   setup_key_writer KEY NAME TEXT (under HKCU)
#include "kregkey.h"

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    kRegKey key;
    if (!key.create(HKEY_CURRENT_USER, argv[1]))
        return 1;
    return key.set(argv[2], argv[3]) ? 0 : 1;
}
