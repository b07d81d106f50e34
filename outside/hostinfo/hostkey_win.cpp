// HostKey and TextValue: registry access of the maker's components.
#include "hostkey_win.h"
#include <stdlib.h>
#include <string.h>

int HostKey::open(HKEY root, const char* path, REGSAM access) {
    close();
    if (RegOpenKeyExA(root, path, 0, access, &key_) == ERROR_SUCCESS)
        return 1;
    key_ = nullptr;
    return 0;
}

int HostKey::create(HKEY root, const char* path) {
    close();
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) == ERROR_SUCCESS)
        return 1;
    key_ = nullptr;
    return 0;
}

void HostKey::close() {
    if (key_)
        RegCloseKey(key_);
    key_ = nullptr;
}

int HostKey::number(const char* name, DWORD* number) const {
    DWORD read = 0, size = sizeof read, type = 0;
    if (!key_ || RegQueryValueExA(key_, name, nullptr, &type, (BYTE*)&read, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof read)
        return 0;
    *number = read;
    return 1;
}

int HostKey::set_number(const char* name, DWORD number) const {
    return key_ && RegSetValueExA(key_, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number) == ERROR_SUCCESS;
}

int HostKey::set_text(const char* name, const char* text) const {
    return key_ && RegSetValueExA(key_, name, 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1) == ERROR_SUCCESS;
}

int HostKey::remove(const char* name) const {
    if (!key_)
        return 0;
    LONG result = RegDeleteValueA(key_, name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

namespace {

// The stored bytes of a text value, always terminated (a stored text may
// lack its terminator); null when it is not a text or cannot be read.
char* stored_text(HKEY key, const char* name, DWORD* type) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS ||
        (*type != REG_SZ && *type != REG_EXPAND_SZ))
        return nullptr;
    // The value may grow between the two calls: ask again with the new size.
    for (int attempt = 0; attempt < 4; attempt++) {
        char* text = (char*)malloc(size + 1);
        if (!text)
            return nullptr;
        DWORD got = size;
        LONG result = RegQueryValueExA(key, name, nullptr, type, (BYTE*)text, &got);
        if (result == ERROR_SUCCESS && (*type == REG_SZ || *type == REG_EXPAND_SZ)) {
            text[got] = 0;
            return text;
        }
        free(text);
        if (result != ERROR_MORE_DATA)
            return nullptr;
        size = got;
    }
    return nullptr;
}

// The text with its environment references expanded; the text itself when
// that cannot be done.
char* expanded(char* text) {
    DWORD size = ExpandEnvironmentStringsA(text, nullptr, 0);
    // One byte more than asked for: the ANSI call may count one short.
    char* out = size ? (char*)malloc(size + 1) : nullptr;
    DWORD written = out ? ExpandEnvironmentStringsA(text, out, size + 1) : 0;
    if (written == 0 || written > size + 1) {
        free(out);
        return text;
    }
    free(text);
    return out;
}

}  // namespace

int TextValue::read(HKEY key, const char* name) {
    clear();
    DWORD type = 0;
    char* text = stored_text(key, name && name[0] ? name : nullptr, &type);
    if (!text)
        return 0;
    text_ = type == REG_EXPAND_SZ ? expanded(text) : text;
    return 1;
}

void TextValue::clear() {
    free(text_);
    text_ = nullptr;
}
