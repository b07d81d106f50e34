// kString members that need the Windows resource loader.
#include "kstring.h"
#include "kbuffer.h"

int kString::load(HINSTANCE module, unsigned int id) {
    clear();
    kBuffer work(0x10000);
    if (!work.pointer())
        return 0;
    if (LoadStringA(module, id, (char*)work.pointer(), 0x10000) == 0)
        return 0;
    return set((char*)work.pointer());
}
