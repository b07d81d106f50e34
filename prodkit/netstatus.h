// The network status probe: asks the system's MIB-II extension agent
// "inetmib1.dll", in process, for three counters, the default route and the
// TCP connection table. Internal to the kit.
#pragma once
#include <windows.h>

class net_status {
public:
    unsigned long ip_in_receives;
    unsigned long tcp_active_opens;
    unsigned long tcp_passive_opens;
    unsigned char has_default_route;   // the routing table has 0.0.0.0
    unsigned char connections_walked;  // the probe got through its connection walk

    // Clears every field and probes.
    net_status();
    // Clears every field and probes again. Without the agent both flags
    // stay clear. One thread at a time probes; the others wait their turn.
    void refresh();
};

// Loads and initialises the agent; 1 when it is loaded. refresh calls it
// under its lock until it has succeeded once; a failed load is tried again
// at the next refresh.
int load_mib_agent();
