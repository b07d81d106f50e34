// Registry names and the text read shared by the kit's Win32 files.
#pragma once
#include "prodkit.h"

#define KIT_MAKER_KEY "Software\\Halvern Dynamics Limited"
#define KIT_PRODUCT_KEY KIT_MAKER_KEY "\\Vantrel"
#define KIT_SETTINGS_KEY KIT_PRODUCT_KEY "\\Settings"

// Opens an existing key that the kit only reads, asking for read access
// alone: the kit runs as the product's user, and NT refuses an ordinary user
// anything more on HKEY_LOCAL_MACHINE's software keys. 1 when opened; 0 on
// failure or when key already holds one (kRegKey::open asks for full access).
int open_to_read(kRegKey& key, HKEY root, const char* subkey);

// Reads the text value name of key into text (size bytes, zero-filled
// first): a text of up to size - 1 characters, always ending with a zero
// byte. 1 when the value exists with at least one byte and fits; otherwise
// 0 with text all zero.
int read_text(kRegKey& key, const char* name, char* text, unsigned long size);
