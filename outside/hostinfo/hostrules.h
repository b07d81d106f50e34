// The decisions of the host information library that need no system call:
// what a version record says, and which proxy entries are the product's.
#pragma once

enum { kPlatformWin32s = 0, kPlatformWindows = 1, kPlatformNt = 2 };

// Service pack number of a version record's service-pack text ("Service
// Pack 3", "Service Pack 6a"); 0 when the text names none.
int service_pack_number(const char* text);
// 1 when a system of that platform and version has the service pack the
// product needs: the 95 family always, NT from 4.0 service pack 3 on.
int has_needed_service_pack(int platform, unsigned major, const char* service_pack_text);

// Removes from a browser proxy list ("host:port" or "scheme=host:port"
// entries separated by ";") every entry that points at this machine
// (localhost or 127.0.0.1) on port. The rest goes to out (size bytes, always
// terminated when size > 0) in its order. Returns the number of entries
// removed, or -1 when out is too small (out then untouched).
int remove_local_proxy(const char* list, unsigned port, char* out, unsigned size);
