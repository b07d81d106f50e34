// hostinfo.dll: what the install script asks of the host system, and the
// network settings it saves, tunes and restores. Plain C functions with the
// default calling convention, exported under their own names.
#pragma once

#ifdef HOSTINFO_BUILD
#define HOSTINFO_API __declspec(dllexport)
#else
#define HOSTINFO_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// 1 on the Windows 95 family, 0 on Windows NT (never anything else).
HOSTINFO_API int is_this_win95(void);
// 1 on the Windows 95 family and NT; 0 on Win32s and when the system gives
// no version record.
HOSTINFO_API int is_this_a_valid_win32(void);
// 0 on Windows NT before 4.0 service pack 3 (read from the version record's
// service-pack text); 1 on later NT versions and the 95 family.
HOSTINFO_API int is_this_service_pack_3(void);
// 1 when the system's default language is Japanese (the product is not built
// for it), else 0.
HOSTINFO_API int is_this_japan(void);
// Writes the default web browser's command line, to which a "file://"
// address can be appended, into command (a 260-byte buffer; never more than
// 260 bytes are written, always terminated): the registered open command of
// "http", else that of the ".htm" page class, each cut before its address
// placeholder; "explorer.exe" when neither gives one that fits. 1 when it
// came from a registration, 0 for the fallback or a null command.
HOSTINFO_API int find_default_browser(char* command);
// The six operations below that change the system each write one line to
// standard output first: "hostinfo: NAME()" or "hostinfo: NAME(ARGUMENT)".
// Records the system's current TCP/IP parameters (MTU, receive window, time
// to live) in the product's settings key as the numbers "o_mtu", "o_rwin"
// and "o_ttl"; 0 is recorded for a parameter the system does not set, so
// that a restore deletes it again. 1 when recorded.
HOSTINFO_API int save_original(void);
// Applies the tuning for a LAN or a modem connection: the MTU mtu (1500 for
// a LAN, 576 for a modem when mtu is 0) with a receive window of whole
// segments and a time to live, and records them as "d_mtu", "d_rwin" and
// "d_ttl". 1 when applied; 0, changing nothing, for an MTU outside 68 to
// 65535 or a system without TCP/IP parameters.
HOSTINFO_API int set_lan_mtu(int mtu);
HOSTINFO_API int set_modem_mtu(int mtu);
// Puts back what save_original recorded (a recorded 0 deletes the
// parameter). 1 when a record was put back; 0 when there is none.
HOSTINFO_API int restore_original(void);
// Takes out of the current user's Internet Settings every proxy entry that
// points at the product's local proxy (localhost, 127.0.0.1 or this
// machine's name, on the product key's "port", 24491 when it has none);
// other proxies stay. When none is left the proxy is switched off. 1 when
// something was removed.
HOSTINFO_API int uninstall_browser_proxies(void);
// Turns modem logging off for every modem that has it on, on the Windows 95
// family; nothing on NT. Returns the number of modems changed.
HOSTINFO_API int disable_modem_logging(void);

#ifdef __cplusplus
}
#endif
