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
// 0 when the system cannot run the product (Win32s, or no version record).
HOSTINFO_API int is_this_a_valid_win32(void);
// 0 on Windows NT before 4.0 service pack 3; 1 on later NT and the 95 family.
HOSTINFO_API int is_this_service_pack_3(void);
// 1 when the system's default language is Japanese (the product is not built
// for it), else 0.
HOSTINFO_API int is_this_japan(void);
// Writes the default web browser's program (as a command to which a
// "file://" address can be appended) into command, a 260-byte buffer,
// always terminated. 1 when it came from the registered http handler, 0 when
// the fallback was used.
HOSTINFO_API int find_default_browser(char* command);
// Records the system's current TCP/IP parameters (MTU, receive window, time
// to live) in the product's settings as "o_mtu", "o_rwin" and "o_ttl"; 0 is
// recorded for a parameter the system does not set. 1 when recorded.
HOSTINFO_API int save_original(void);
// Applies the tuning for a LAN or a modem connection: the MTU mtu (the
// connection's default when 0) with the matching receive window and time to
// live, and records them as "d_mtu", "d_rwin" and "d_ttl". 1 when applied.
HOSTINFO_API int set_lan_mtu(int mtu);
HOSTINFO_API int set_modem_mtu(int mtu);
// Puts back what save_original recorded (a recorded 0 removes the system's
// value again). 1 when something was recorded to put back.
HOSTINFO_API int restore_original(void);
// Takes out of the current user's Internet Settings every proxy entry that
// points at the product's local proxy (this machine, the product's port);
// other proxies stay. 1 when something was removed.
HOSTINFO_API int uninstall_browser_proxies(void);
// Turns modem logging off for every modem on the Windows 95 family; nothing
// on NT. Returns the number of modems changed.
HOSTINFO_API int disable_modem_logging(void);

#ifdef __cplusplus
}
#endif
