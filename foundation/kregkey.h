// kRegKey: owner of one open registry key; reads, writes and lists its values
// and subkeys.
#pragma once
#include "kapi.h"

// Every member but the constructor, the destructor and the two handle
// accessors returns 0 at once when no key is held. Failures are 0; the
// system's error code is not kept. A null or empty value name addresses the
// key's default value. Text values are REG_SZ, numbers REG_DWORD, byte blocks
// REG_BINARY; reads do not check the stored type.
class KAPI kRegKey final {
public:
    HKEY key;  // null when no key is held

    kRegKey();
    ~kRegKey();
    kRegKey(const kRegKey&) = delete;
    kRegKey& operator=(const kRegKey&) = delete;

    HKEY getkey();
    operator HKEY();

    // Opens an existing key with full access. 0 on failure or when a key is
    // already held (that key stays open: close it first).
    int open(HKEY root, char* subkey);
    // Opens the key, creating it and any missing parents; whether it existed
    // is not reported. 0 on failure or when a key is already held.
    int create(HKEY root, char* subkey);
    // 1 if a key was held, 0 if none.
    int close();
#ifdef KREGKEY_VALUE_REMOVE
    // prodkit.dll's form: deletes the value name of the held key (null or
    // empty: the default value); 1 if it was deleted. The key, its other
    // values and its subkeys stay, and the key stays held.
    int remove(char* name);
#else
    // Deletes nothing and always returns 0: the key stays in the registry and
    // stays held. The uninstall run deletes keys itself.
    int remove();
#endif

    // Text: REG_SZ of the text's bytes and its terminating zero. 0 for a null
    // text.
    int set(char* name, char* text);
    // Number: REG_DWORD of 4 bytes.
    int set(char* name, unsigned long number);
    // Byte block: REG_BINARY of size bytes (data may be null only with size 0).
    int set(char* name, void* data, unsigned long size);

    // Reads the value's bytes into buffer (room for size bytes; nothing is
    // written past it and no terminator is added). 1 when at least one byte
    // was read; 0 when the value is missing, empty or larger than size (the
    // buffer's contents are then not usable).
    int get(char* name, char* buffer, unsigned long size);
    // Reads up to 4 bytes into *number. 1 when at least one byte was read;
    // on failure *number is left as it was.
    int get(char* name, unsigned long* number);
    // *size gives the room at data on entry and receives the value's length
    // (also when the room is too small). 1 when the read succeeded with a
    // non-zero length. A null data asks for the length only.
    int get(char* name, void* data, unsigned long* size);

    // Count of subkeys or values; 0 on failure (as for none).
    unsigned long children();
    unsigned long values();
    // Name of subkey / value number index (from 0, in the system's enumeration
    // order) into name, which has room for size bytes (terminator included).
    // 0 past the last entry, when the name does not fit, or on failure.
    int child(unsigned long index, char* name, unsigned long size);
    int value(unsigned long index, char* name, unsigned long size);
};
