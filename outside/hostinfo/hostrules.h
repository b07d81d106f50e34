// The decisions of the host information library that need no system call:
// what a version record says, which browser proxy entries are the product's,
// and the browser command taken from a registered open command.
#pragma once

enum { kPlatformWin32s = 0, kPlatformWindows = 1, kPlatformNt = 2 };

// Service pack number of a version record's service-pack text ("Service
// Pack 3", "Service Pack 6a"); 0 when the text names none.
int service_pack_number(const char* text);
// 1 when a system of that platform and version has the service pack the
// product needs: the 95 family always, NT from 4.0 service pack 3 on (and
// every later version); 0 for earlier NT and anything else.
int has_needed_service_pack(int platform, unsigned major, const char* service_pack_text);

// Removes from a browser proxy list ("host:port", "scheme=host:port" or
// "scheme=http://host:port" entries separated by ";") every entry that
// points at this machine (localhost, 127.0.0.1, or machine when not null) on
// port. The rest goes to out (size bytes, always terminated) in its order.
// Returns the number of entries removed, or -1 when out is too small (out
// then untouched).
int remove_local_proxy(const char* list, unsigned port, const char* machine, char* out, unsigned size);

// The browser command line in a registered open command, ready to have an
// address appended: the command up to its address placeholder ("%1" or
// "%L", with the quote that opens a quoted placeholder), blanks trimmed; the
// whole command when it has no placeholder. 1 and out set (size bytes,
// terminated); 0 and out untouched when nothing is left or it does not fit.
int browser_command(const char* registered, char* out, unsigned size);
