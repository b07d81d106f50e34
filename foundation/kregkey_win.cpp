// kRegKey: single calls to the registry functions, results mapped to 1/0.
#include "kregkey.h"
#include "kfile.h"

kRegKey::kRegKey() : key(nullptr) {}

kRegKey::~kRegKey() {
    close();
}

HKEY kRegKey::getkey() {
    return key;
}

kRegKey::operator HKEY() {
    return key;
}

int kRegKey::open(HKEY root, char* subkey) {
    if (key)
        return 0;
    HKEY opened;
    if (RegOpenKeyExA(root, subkey, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS)
        return 0;
    key = opened;
    return 1;
}

int kRegKey::create(HKEY root, char* subkey) {
    if (key)
        return 0;
    HKEY created;
    DWORD disposition;
    if (RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &created, &disposition) != ERROR_SUCCESS)
        return 0;
    key = created;
    return 1;
}

int kRegKey::close() {
    if (!key)
        return 0;
    RegCloseKey(key);
    key = nullptr;
    return 1;
}

#ifdef KREGKEY_VALUE_REMOVE
int kRegKey::remove(char* name) {
    if (!key)
        return 0;
    return RegDeleteValueA(key, name) == ERROR_SUCCESS ? 1 : 0;
}
#else
int kRegKey::remove() {
    return 0;
}
#endif

static int write_value(HKEY key, char* name, DWORD type, const void* data, DWORD size) {
    if (!key)
        return 0;
    return RegSetValueExA(key, name, 0, type, (const BYTE*)data, size) == ERROR_SUCCESS ? 1 : 0;
}

int kRegKey::set(char* name, char* text) {
    if (!text)
        return 0;
    return write_value(key, name, REG_SZ, text, (DWORD)_mbssize(text) + 1);
}

int kRegKey::set(char* name, unsigned long number) {
    DWORD dword = number;
    return write_value(key, name, REG_DWORD, &dword, sizeof dword);
}

int kRegKey::set(char* name, void* data, unsigned long size) {
    if (!data && size)
        return 0;
    return write_value(key, name, REG_BINARY, data, size);
}

// One read of at most *size bytes into data; *size receives the value's length.
static LONG query_value(HKEY key, char* name, void* data, DWORD* size) {
    return RegQueryValueExA(key, name, nullptr, nullptr, (BYTE*)data, size);
}

// An empty value reads as missing.
static int read_ok(LONG status, DWORD length) {
    return status == ERROR_SUCCESS && length ? 1 : 0;
}

int kRegKey::get(char* name, char* buffer, unsigned long size) {
    // A null buffer would turn the read into a length query that "succeeds".
    if (!key || !buffer)
        return 0;
    DWORD room = size;
    LONG status = query_value(key, name, buffer, &room);
    return read_ok(status, room);
}

int kRegKey::get(char* name, unsigned long* number) {
    if (!key || !number)
        return 0;
    DWORD dword = *number;
    DWORD room = sizeof dword;
    LONG status = query_value(key, name, &dword, &room);
    if (!read_ok(status, room))
        return 0;
    *number = dword;
    return 1;
}

int kRegKey::get(char* name, void* data, unsigned long* size) {
    if (!key || !size)
        return 0;
    DWORD room = *size;
    LONG status = query_value(key, name, data, &room);
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)
        *size = room;
    return read_ok(status, room);
}

unsigned long kRegKey::children() {
    DWORD count;
    if (!key || RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return count;
}

unsigned long kRegKey::values() {
    DWORD count;
    if (!key || RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                 nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return count;
}

int kRegKey::child(unsigned long index, char* name, unsigned long size) {
    if (!key || !name)
        return 0;
    DWORD room = size;
    return RegEnumKeyExA(key, index, name, &room, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
               ? 1
               : 0;
}

int kRegKey::value(unsigned long index, char* name, unsigned long size) {
    if (!key || !name)
        return 0;
    DWORD room = size;
    return RegEnumValueA(key, index, name, &room, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
               ? 1
               : 0;
}
