// The script's shared state and its small helpers.
#include <stdio.h>
#include <string.h>
#include "kregkey.h"
#include "script.h"

HMODULE language_module = nullptr;
HWND script_splash = nullptr;
int tune_network = 0;
int lan_connection = 0;
int replacing_previous = 0;
char archive_path[260];
char pad_path[260];
char group_name[260];
int keep_aggressive = 1, keep_prefetch = 1;
HANDLE app_event = INVALID_HANDLE_VALUE, button_event = INVALID_HANDLE_VALUE;

void load_text(unsigned int id, char* out, const char* fallback) {
    // Loaded with room to tell: into 260 bytes a string never comes back
    // with 260 characters, so a longer one could not be recognised.
    char text[1024];
    int length = language_module ? LoadStringA(language_module, id, text, sizeof text) : 0;
    if (length <= 0 || length >= 260)
        snprintf(out, 260, "%s", fallback);
    else
        memcpy(out, text, length + 1);
}

int join(char* out, const char* a, const char* b) {
    int length = snprintf(out, 260, "%s\\%s", a, b);
    if (length < 0 || length >= 260) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

int join_needed(char* out, const char* a, const char* b) {
    if (join(out, a, b))
        return 1;
    char message[1024];
    snprintf(message, sizeof message,
             "This path is longer than 259 characters:\n\n%s\\%s\n\nThe installation cannot go on.", a, b);
    MessageBoxA(nullptr, message, "Path Too Long", MB_OK);
    return 0;
}

int get_text(kRegKey& key, const char* name, char* out) {
    // One byte more than a text may hold, so that a value stored without its
    // zero still gets one.
    char text[261];
    unsigned long size = 260;
    if (!key.get((char*)name, (void*)text, &size) || size > 260)
        return 0;
    text[size] = 0;
    size_t length = strlen(text);
    if (length > 259)
        return 0;
    memcpy(out, text, length + 1);
    return 1;
}

int read_text(HKEY root, const char* subkey, const char* name, char* out) {
    kRegKey key;
    return key.open(root, (char*)subkey) && get_text(key, name, out);
}

const char* text_of(const kString& s) {
    return s.text ? s.text : "";
}
