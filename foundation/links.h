// Shell links and the shell's special folders.
#pragma once
#include "kapi.h"
#include "kstring.h"

// Builds a shell link to target and hands it to the shell for saving at
// link_file; description, arguments, working_directory and icon_file may be
// null (not set). The icon file is stored in its short form when it has
// one. 1 when the link was handed over (even if the file could not be
// written); 0 for a null target or link_file or when the shell's link object
// cannot be had.
KAPI int CreateLink(char* target, char* link_file, char* description, char* arguments,
                    char* working_directory, char* icon_file, int icon_index);

// Writes the file-system path of special folder folder (a CSIDL_ value) into
// out (room for 260 bytes); out is left unchanged on failure, and for
// virtual folders that have no path.
KAPI void GetSpecialFolderch(int folder, char* out);
// The same path as a string; an unset string on failure.
KAPI kString GetSpecialFolder(int folder);
