// The system's TCP/IP parameters that the product tunes (maximum
// transmission unit, receive window, time to live): the tuning for a LAN or
// a modem connection, where each family of Windows keeps the parameters, and
// the product's records of them in its settings key. Shared by hostinfo.dll
// and hdlutil.dll, which applies the recorded tuning at the next start.
#pragma once

enum NetParam { kMtu, kReceiveWindow, kTimeToLive, kNetParamCount };

// One value per parameter; 0 stands for a parameter the system does not set
// (its own default applies). 0 is never a usable MTU, window or time to live.
struct NetTuning {
    unsigned long value[kNetParamCount];
};

// The tuning for a LAN (default MTU 1500) or a modem connection (default
// 576): mtu, or the default when mtu is 0, with a receive window of whole
// segments of that MTU and a time to live. 1 and *out set; 0 and *out
// untouched when mtu is outside 68 to 65535 (and not 0).
int lan_tuning(unsigned long mtu, NetTuning* out);
int modem_tuning(unsigned long mtu, NetTuning* out);

// The record names "o_mtu", "o_rwin", "o_ttl" (prefix "o_", the original
// values) or "d_..." (prefix "d_", the applied tuning); name holds 16 bytes.
void record_name(const char* prefix, int param, char* name);

// Reads the system's parameters: the 95 family keeps them as texts under
// MSTCP, NT as numbers under the Tcpip service's parameters. A parameter the
// system does not set reads as 0. 1 when the key opened; *out is set
// (all 0) either way.
int read_system_params(int win95_family, NetTuning* out);
// Writes the system's parameters into the existing key of the family; a 0
// deletes the parameter so that the system's own default applies again.
// 1 when every write succeeded; 0 when the key does not exist (no TCP/IP to
// tune: nothing is created).
int write_system_params(int win95_family, const NetTuning& tuning);

// Writes the three records with prefix into settings_key below
// HKEY_LOCAL_MACHINE, creating the key when needed; 1 when all were written.
int record_params(const char* settings_key, const char* prefix, const NetTuning& tuning);
// 1 and *out set when all three records with prefix exist as numbers; 0 and
// *out untouched otherwise.
int recorded_params(const char* settings_key, const char* prefix, NetTuning* out);

#define HOSTINFO_PRODUCT_KEY "Software\\Halvern Dynamics Limited\\Vantrel"
#define HOSTINFO_SETTINGS_KEY HOSTINFO_PRODUCT_KEY "\\Settings"
