// The tuning the product applies for each kind of connection.
#include "netparams.h"
#include <stdio.h>

namespace {

const unsigned long kLowestMtu = 68;  // the least every IPv4 link carries
const unsigned long kHighestMtu = 65535;
const unsigned long kHeaders = 40;  // IP and TCP headers of each segment
// Without window scaling (which these systems lack) a window ends at 65535.
const unsigned long kLargestWindow = 65535;

int tuning(unsigned long mtu, unsigned long segments, unsigned long ttl, NetTuning* out) {
    if (mtu < kLowestMtu || mtu > kHighestMtu)
        return 0;
    unsigned long segment = mtu - kHeaders;
    unsigned long fit = kLargestWindow / segment;
    out->value[kMtu] = mtu;
    out->value[kReceiveWindow] = segment * (segments < fit ? segments : fit);
    out->value[kTimeToLive] = ttl;
    return 1;
}

}  // namespace

// LAN: Ethernet frames, 44 segments (64240 bytes, the largest whole number
// of 1460-byte segments in an unscaled window). Modem: the dial-up MTU with
// 16 segments (8576 bytes), enough to keep a 56k line busy without long
// queues.
int lan_tuning(unsigned long mtu, NetTuning* out) {
    return tuning(mtu ? mtu : 1500, 44, 64, out);
}

int modem_tuning(unsigned long mtu, NetTuning* out) {
    return tuning(mtu ? mtu : 576, 16, 64, out);
}

void record_name(const char* prefix, int param, char* name) {
    static const char* const kRecordNames[kNetParamCount] = {"mtu", "rwin", "ttl"};
    snprintf(name, 16, "%.2s%s", prefix, kRecordNames[param]);
}
