// Folder texts of the install run, stepping by double-byte characters.
#include "folder_text.h"
#include "mbcs.h"

void strip_one_backslash(kString& folder) {
    const char* last = folder.text ? mb_last_char(folder.text) : nullptr;
    if (last && *last == '\\' && mb_char_size(last) == 1)
        folder.text[last - folder.text] = 0;
}

int folder_of(const char* path, kString& folder) {
    const char* last = path ? mb_find_last(path, '\\') : nullptr;
    if (!last || last == path)
        return 0;
    kString copy((char*)path);
    if (!copy.text)
        return 0;
    copy.text[last - path] = 0;
    return folder.set(copy);
}
