// The install's side of the uninstaller: the archive, the hidden copy of
// setup.exe, the Windows uninstall entry, and the record in the registry.
// The two uninstall stages themselves are run modes (runs.h).
#pragma once
#include "setupinfo.h"

// Packs the dependencies and then "%s\\vscript.dll" of source_folder (added
// to dependencies as the last one) into "%s\\uninst.dat" of
// destination_folder, creating that folder (and recording it) when missing;
// copies setup.exe there as a hidden file; adds the two key entries of the
// Windows uninstall entry ("UninstallString", "DisplayName") and records its
// whole key. Every file written is recorded: the archive once per record.
// 0 on success; -1 when the archive cannot be created, a dependency cannot be
// packed (no name after a "\\", empty or unreadable) or the copy fails, and
// then neither the later copy nor the uninstall entry is made.
int uninstall_support(SetupInfo* info);

// Stores the uninstall lists under HKEY_LOCAL_MACHINE "%s\\Uninstall" of
// product_key: files in "File", folders in "Dir", value records in "Value",
// whole-key records in "Key", one string value each. Value names are the
// tick count ("%.8lx"); no name is given twice in a run and none replaces a
// value already in the subkey. Writes nothing when one of the keys cannot be
// opened or created.
void write_uninstall_record(SetupInfo* info);
