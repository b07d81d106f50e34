// The TCP/IP parameters in the registry and the product's records of them.
#include "netparams.h"
#include <stdio.h>
#include <stdlib.h>
#include "hostkey_win.h"

namespace {

const char kMstcpKey[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char kTcpipKey[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char* const kMstcpNames[kNetParamCount] = {"MaxMTU", "DefaultRcvWindow", "DefaultTTL"};
const char* const kTcpipNames[kNetParamCount] = {"MTU", "TcpWindowSize", "DefaultTTL"};

const char* family_key(int win95_family) {
    return win95_family ? kMstcpKey : kTcpipKey;
}

const char* const* family_names(int win95_family) {
    return win95_family ? kMstcpNames : kTcpipNames;
}

// A parameter as the system stores it: a number on NT, a decimal text on
// the 95 family (either is accepted from both). 0 when absent or unreadable.
unsigned long parameter(const HostKey& key, const char* name) {
    DWORD number = 0;
    if (key.number(name, &number))
        return number;
    TextValue text;
    if (!text.read(key.handle(), name))
        return 0;
    char* end;
    unsigned long value = strtoul(text.text(), &end, 10);
    return end != text.text() ? value : 0;
}

int write_parameter(const HostKey& key, int win95_family, const char* name, unsigned long value) {
    if (value == 0)
        return key.remove(name);
    if (!win95_family)
        return key.set_number(name, value);
    char text[16];
    snprintf(text, sizeof text, "%lu", value);
    return key.set_text(name, text);
}

}  // namespace

int read_system_params(int win95_family, NetTuning* out) {
    NetTuning read = {};
    HostKey key;
    int opened = key.open(HKEY_LOCAL_MACHINE, family_key(win95_family), KEY_QUERY_VALUE);
    for (int i = 0; opened && i < kNetParamCount; i++)
        read.value[i] = parameter(key, family_names(win95_family)[i]);
    *out = read;
    return opened;
}

int write_system_params(int win95_family, const NetTuning& tuning) {
    HostKey key;
    if (!key.open(HKEY_LOCAL_MACHINE, family_key(win95_family), KEY_QUERY_VALUE | KEY_SET_VALUE))
        return 0;
    int ok = 1;
    for (int i = 0; i < kNetParamCount; i++)
        ok &= write_parameter(key, win95_family, family_names(win95_family)[i], tuning.value[i]);
    return ok;
}

int record_params(const char* settings_key, const char* prefix, const NetTuning& tuning) {
    HostKey key;
    if (!key.create(HKEY_LOCAL_MACHINE, settings_key))
        return 0;
    int ok = 1;
    for (int i = 0; i < kNetParamCount; i++) {
        char name[16];
        record_name(prefix, i, name);
        ok &= key.set_number(name, tuning.value[i]);
    }
    return ok;
}

int recorded_params(const char* settings_key, const char* prefix, NetTuning* out) {
    HostKey key;
    if (!key.open(HKEY_LOCAL_MACHINE, settings_key, KEY_QUERY_VALUE))
        return 0;
    NetTuning read = {};
    for (int i = 0; i < kNetParamCount; i++) {
        char name[16];
        record_name(prefix, i, name);
        DWORD number;
        if (!key.number(name, &number))
            return 0;
        read.value[i] = number;
    }
    *out = read;
    return 1;
}
