// Multibyte stepping in the system's double-byte code page.
#pragma once

// 1 when c starts a two-byte character of the system's ANSI code page.
int mb_is_lead(unsigned char c);

// Number of bytes of the character at s (1 or 2); a lead byte followed by the
// terminating zero counts as one byte. s must not point at the terminator.
int mb_char_size(const char* s);

// The start of the last character of s, or null when s is empty.
const char* mb_last_char(const char* s);
// The last single-byte character c in s (never a trail byte that happens
// to have its value), or null when there is none.
const char* mb_find_last(const char* s, char c);
