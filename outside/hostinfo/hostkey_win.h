// HostKey: one open registry key of the host system, and the texts and
// numbers of it that the maker's components read and write.
#pragma once
#include <windows.h>

class HostKey {
public:
    HostKey() : key_(nullptr) {}
    ~HostKey() { close(); }
    HostKey(const HostKey&) = delete;
    HostKey& operator=(const HostKey&) = delete;

    // 1 when the existing key path below root opened with access; never
    // creates it. A key already open is closed first.
    int open(HKEY root, const char* path, REGSAM access);
    // 1 when the key path below root was opened or created with all access.
    int create(HKEY root, const char* path);
    void close();
    HKEY handle() const { return key_; }

    // The number name (REG_DWORD); 1 and *number set when read, else 0 and
    // *number untouched.
    int number(const char* name, DWORD* number) const;
    int set_number(const char* name, DWORD number) const;
    int set_text(const char* name, const char* text) const;
    // 1 when the value name is gone afterwards (also when it never existed).
    int remove(const char* name) const;

private:
    HKEY key_;
};

// A text value read whole, whatever its length: REG_SZ as stored,
// REG_EXPAND_SZ with its environment references expanded.
class TextValue {
public:
    TextValue() : text_(nullptr) {}
    ~TextValue() { clear(); }
    TextValue(const TextValue&) = delete;
    TextValue& operator=(const TextValue&) = delete;

    // 1 when the value name of key is a text and was read (the default value
    // for a null or empty name); the previous text is released first.
    int read(HKEY key, const char* name);
    void clear();
    // The text read, or "" when nothing was.
    const char* text() const { return text_ ? text_ : ""; }

private:
    char* text_;
};
