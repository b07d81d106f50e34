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
    // stay clear.
    void refresh();
};

// Loads and initialises the agent once per process (safe from several
// threads); 1 when it is loaded. A failed load is tried again next time.
int load_mib_agent();
