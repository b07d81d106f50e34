// Registry paths the engine's files share (each text is stored once) and
// the reader of their text values.
#pragma once

// The maker's key under HKEY_LOCAL_MACHINE.
extern const char kMakerKey[];
// The Windows key that holds the Run list and the uninstall list.
extern const char kCurrentVersionKey[];
// With kCurrentVersionKey and a local name: that name's Windows uninstall entry.
extern const char kUninstallEntryFormat[];

// Reads the text value name of HKEY_LOCAL_MACHINE's subkey into value (room
// for 261 bytes) and terminates it: a value may be stored without its zero
// byte. 1 for a value of 1 to 260 bytes; 0 when it is missing, empty or longer.
int read_machine_text(const char* subkey, const char* name, char* value);
