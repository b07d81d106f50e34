// The system's TCP/IP parameters that the product tunes (MTU, receive
// window, time to live), where each family of Windows keeps them, and the
// product's records of them in its settings key. Shared by hostinfo.dll and
// hdlutil.dll, which applies the recorded tuning at the next start.
#pragma once

enum NetParam { kMtu, kReceiveWindow, kTimeToLive, kNetParamCount };

struct NetTuning {
    unsigned long value[kNetParamCount];  // 0: the system's own default
};

// The tuning for a LAN or a modem connection; mtu 0 takes the connection's
// usual MTU.
NetTuning lan_tuning(unsigned long mtu);
NetTuning modem_tuning(unsigned long mtu);

// Reads the system's parameters (0 for one it does not set); 1 on success.
int read_system_params(int win95_family, NetTuning* out);
// Writes the system's parameters; a 0 removes the parameter, so that the
// system's default applies again. 1 when every write succeeded.
int write_system_params(int win95_family, const NetTuning& tuning);

// The product's records in its settings key: prefix "o_" (the original
// values) or "d_" (the applied tuning). settings_key is the settings key
// below HKEY_LOCAL_MACHINE. record creates the key when needed.
int record_params(const char* settings_key, const char* prefix, const NetTuning& tuning);
// 1 when all three records exist; out untouched otherwise.
int recorded_params(const char* settings_key, const char* prefix, NetTuning* out);

#define VANTREL_SETTINGS_KEY "Software\\Halvern Dynamics Limited\\Vantrel\\Settings"
