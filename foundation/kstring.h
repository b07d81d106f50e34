// kString: one heap copy of an 8-bit zero-terminated text; unset or set.
#pragma once
#include "kapi.h"
#include "kptrvector.h"

class kFile;

// An unset string (null text) and a string set to the empty text differ:
// the first has no block, the second a one-byte block. Copies duplicate the text.
class KAPI kString final {
public:
    char* text;

    kString();
    kString(char* p);
    kString(kString& other);
    ~kString();

    kString& operator=(const char* p);
    kString& operator=(const kString& other);
    // 1 when both texts are identical, compared character by character in the
    // system's double-byte code page; an unset string equals only an unset one.
    int operator==(kString& other);
    int operator==(char* p);
    operator char*();
    operator unsigned char*();

    // Replaces the text by a copy of p (p must not point into this text).
    // A null p leaves the string unset and returns 1; 0 only when the copy
    // cannot be allocated (the string is then unset).
    int set(const char* p);
    int set(const kString& other);
    void clear();
#ifdef _WIN32
    // Replaces the text by string resource id of module; 0 for a missing or
    // empty resource, and the string is then unset.
    int load(HINSTANCE module, unsigned int id);
#endif
    // Replaces the text by the formatted result (at most 65,536 bytes); the
    // arguments may refer to this string's own text. 0 on allocation failure,
    // and the string is then as it was.
    int sprintf(char* format, ...) KPRINTF(2, 3);
    // Appends each non-empty field between occurrences of the whole separator
    // to out, as new strings that out's owner must delete; returns how many.
    // The text is left as it was.
    int split(char* separator, kPtrVector<kString>& out);

    // File record: 4-byte little-endian length L, then L bytes (the text and
    // its zero byte); L is 0 for an unset string. 1 when every write succeeded.
    int write(kFile* file);
    // Loads a record stored by write; 0 on a short record (string unset).
    // A record whose last byte is not zero still yields a terminated text.
    int read(kFile* file);
};

// Appends a new copy of text to list (an unset string for a null text); 0
// when the copy cannot be allocated or the list cannot grow, and nothing is
// added then.
int append_copy(kPtrVector<kString>& list, const char* text);
