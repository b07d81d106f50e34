// Registry paths the engine's files share: each text is stored once.
#pragma once

// The maker's key under HKEY_LOCAL_MACHINE.
extern const char kMakerKey[];
// The Windows key that holds the Run list and the uninstall list.
extern const char kCurrentVersionKey[];
// With kCurrentVersionKey and a local name: that name's Windows uninstall entry.
extern const char kUninstallEntryFormat[];
