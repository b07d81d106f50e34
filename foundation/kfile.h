// kFile: owner of one C library stream; block I/O, size, whole-file image.
#pragma once
#include <stdio.h>
#include "kapi.h"

class kBuffer;

class KAPI kFile final {
public:
    FILE* stream;  // null when no file is open

    kFile();
    ~kFile();
    kFile(const kFile&) = delete;
    kFile& operator=(const kFile&) = delete;

    // Opens name with a C library mode ("rb", "wb", ...), closing any open
    // stream first (even when the new open fails). 1 on success, else 0.
    int open(char* name, char* mode);
    // Exactly n bytes or failure: a partial transfer, n of 0 for read, or
    // no stream give 0.
    int read(void* p, unsigned long n);
    int write(void* p, unsigned long n);
    // origin 0 start, 1 current, 2 end; offset taken as signed. 1 on success.
    int seek(unsigned long offset, unsigned long origin);
    unsigned long tell();
    // Length of the file; the position is left where it was. 0 with no stream.
    unsigned long size();
    // 1 if a stream was open, 0 if none.
    int close();
    // Reads n bytes at the current position and writes them as a hex dump:
    // "%.8lx: ", 16 columns "%.2x " (or "XX "), two blanks, 16 characters
    // (0x20-0x7E as themselves, "." otherwise, "X" past the end), "\n".
    void dump(long n);
    // Writes formatted text (at most 65,536 bytes); nothing with no stream.
    void printf(char* format, ...) KPRINTF(2, 3);
    operator FILE*();
    // Loads the whole file into out (zero byte after the data) and leaves the
    // position at the end of the data. 0 for an empty or unreadable file.
    int GetImage(kBuffer& out);
};

// Diagnostic log hook: accepts a format and arguments and records nothing.
KAPI void logprintf(char* format, ...);
// Byte length of a multibyte string without its terminator; 0 for null.
KAPI int _mbssize(const char* s);
#ifdef _WIN32
// Formats a message (below 2,048 bytes) and shows it in a message box;
// returns the box's result (the button pressed, 0 on failure).
KAPI int mbprintf(HWND owner, char* caption, unsigned int style, char* format, ...) KPRINTF(4, 5);
#endif
