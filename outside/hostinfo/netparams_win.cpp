// The TCP/IP parameters in the registry: the 95 family keeps them as texts
// under MSTCP, NT as numbers under the Tcpip service's parameters.
#include "netparams.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

const char kMstcpKey[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char kTcpipKey[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char* const kMstcpNames[kNetParamCount] = {"MaxMTU", "DefaultRcvWindow", "DefaultTTL"};
const char* const kTcpipNames[kNetParamCount] = {"MTU", "TcpWindowSize", "DefaultTTL"};
const char* const kRecordNames[kNetParamCount] = {"mtu", "rwin", "ttl"};

// The receive window is a whole number of segments of the MTU's payload.
NetTuning tuning(unsigned long mtu, unsigned long segments, unsigned long ttl) {
    NetTuning t;
    t.value[kMtu] = mtu;
    t.value[kReceiveWindow] = (mtu > 40 ? mtu - 40 : mtu) * segments;
    t.value[kTimeToLive] = ttl;
    return t;
}

unsigned long read_number(HKEY key, const char* name) {
    char data[64] = "";
    DWORD size = sizeof data - 1, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)data, &size) != ERROR_SUCCESS)
        return 0;
    if (type == REG_DWORD && size == 4)
        return *(DWORD*)data;
    if (type == REG_SZ) {
        data[size < sizeof data ? size : sizeof data - 1] = 0;
        return strtoul(data, nullptr, 10);
    }
    return 0;
}

}  // namespace

NetTuning lan_tuning(unsigned long mtu) {
    return tuning(mtu ? mtu : 1500, 44, 64);
}

NetTuning modem_tuning(unsigned long mtu) {
    return tuning(mtu ? mtu : 576, 4 * 16, 64);
}

int read_system_params(int win95_family, NetTuning* out) {
    HKEY key;
    NetTuning read = {};
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, win95_family ? kMstcpKey : kTcpipKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        const char* const* names = win95_family ? kMstcpNames : kTcpipNames;
        for (int i = 0; i < kNetParamCount; i++)
            read.value[i] = read_number(key, names[i]);
        RegCloseKey(key);
    }
    *out = read;
    return 1;
}

int write_system_params(int win95_family, const NetTuning& tuning) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, win95_family ? kMstcpKey : kTcpipKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 0;
    const char* const* names = win95_family ? kMstcpNames : kTcpipNames;
    int ok = 1;
    for (int i = 0; i < kNetParamCount; i++) {
        LONG result;
        if (tuning.value[i] == 0) {
            result = RegDeleteValueA(key, names[i]);
            if (result == ERROR_FILE_NOT_FOUND)
                result = ERROR_SUCCESS;
        } else if (win95_family) {
            char text[16];
            snprintf(text, sizeof text, "%lu", tuning.value[i]);
            result = RegSetValueExA(key, names[i], 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1);
        } else {
            DWORD number = tuning.value[i];
            result = RegSetValueExA(key, names[i], 0, REG_DWORD, (const BYTE*)&number, sizeof number);
        }
        ok &= result == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

int record_params(const char* settings_key, const char* prefix, const NetTuning& tuning) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings_key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return 0;
    int ok = 1;
    for (int i = 0; i < kNetParamCount; i++) {
        char name[16];
        snprintf(name, sizeof name, "%s%s", prefix, kRecordNames[i]);
        DWORD number = tuning.value[i];
        ok &= RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

int recorded_params(const char* settings_key, const char* prefix, NetTuning* out) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, settings_key, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    NetTuning read = {};
    int found = 1;
    for (int i = 0; i < kNetParamCount; i++) {
        char name[16];
        snprintf(name, sizeof name, "%s%s", prefix, kRecordNames[i]);
        DWORD number = 0, size = sizeof number, type = 0;
        found &= RegQueryValueExA(key, name, nullptr, &type, (BYTE*)&number, &size) == ERROR_SUCCESS &&
                 type == REG_DWORD;
        read.value[i] = number;
    }
    RegCloseKey(key);
    if (found)
        *out = read;
    return found;
}
