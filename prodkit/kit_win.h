// Registry names and the text read shared by the kit's Win32 files.
#pragma once
#include "prodkit.h"

#define KIT_MAKER_KEY "Software\\Halvern Dynamics Limited"
#define KIT_PRODUCT_KEY KIT_MAKER_KEY "\\Vantrel"
#define KIT_SETTINGS_KEY KIT_PRODUCT_KEY "\\Settings"

// Reads the text value name of key into text (size bytes, zero-filled
// first): a text of up to size - 1 characters, always ending with a zero
// byte. 1 when the value exists with at least one byte and fits; otherwise
// 0 with text all zero.
int read_text(kRegKey& key, const char* name, char* text, unsigned long size);
