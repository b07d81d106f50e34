// Reading the product's settings from its registry keys (under the local
// machine), as its programs do.
#pragma once
#include <windows.h>

// Copies the text value name of subkey into text (size bytes, always ended
// with a zero); 1 on success, 0 (text untouched) when the key or a text value
// of that name is missing.
int read_setting_text(const char* subkey, const char* name, char* text, DWORD size);
// Reads the number value name of subkey; 0 (number untouched) when the key or
// a number value of that name is missing.
int read_setting_number(const char* subkey, const char* name, DWORD* number);
