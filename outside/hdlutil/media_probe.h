// The media probe: whether an install media folder holds everything the
// install will read.
#pragma once

// 1 when folder (a trailing backslash allowed, as in "E:\") holds
// "install.dat" with a usable list whose every entry is there in the form
// the install script looks for first (a file beside the list; a file in
// "setup", which when not marked "&" also needs its pad, the member of the
// same name in "files.dat"; else a member of "files.dat" that can be
// extracted), and the components the install loads beside it: "setup.exe",
// "langres.dll", "hostinfo.dll" and "hdlutil.dll". 0 otherwise. Reads only.
int media_complete(const char* folder);
