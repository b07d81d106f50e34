// The network status probe through the MIB-II extension agent.
#include "netstatus.h"
#include <snmp.h>
#include <string.h>
#include <time.h>

namespace {

typedef BOOL(WINAPI* AgentInit)(DWORD, HANDLE*, AsnObjectIdentifier*);
typedef BOOL(WINAPI* AgentQuery)(BYTE, SnmpVarBindList*, AsnInteger32*, AsnInteger32*);

// The agent, once loaded, stays loaded for the life of the process.
volatile LONG agent_loaded = 0;
AgentQuery agent_query = nullptr;
// Held for a whole probe, loading included: two counter threads neither
// load the agent twice nor call it at once (the agent is not made for
// that). A spin lock needs no set-up before its first use, so it works
// whatever runs, or does not run, when the kit is loaded; InterlockedExchange
// is there on the first Windows 95. The bounded walk bounds the hold.
volatile LONG agent_lock = 0;

class AgentLock {
public:
    AgentLock() {
        while (InterlockedExchange(&agent_lock, 1))
            Sleep(1);
    }
    ~AgentLock() { InterlockedExchange(&agent_lock, 0); }
    AgentLock(const AgentLock&) = delete;
    AgentLock& operator=(const AgentLock&) = delete;
};

enum : BYTE { kGet = 0xA0, kGetNext = 0xA1 };

// MIB-II (RFC 1213) identifiers, in the order of the bindings.
const UINT kActiveOpens[] = {1, 3, 6, 1, 2, 1, 6, 5, 0};
const UINT kPassiveOpens[] = {1, 3, 6, 1, 2, 1, 6, 6, 0};
const UINT kInReceives[] = {1, 3, 6, 1, 2, 1, 4, 3, 0};
const UINT kDefaultRoute[] = {1, 3, 6, 1, 2, 1, 4, 21, 1, 1, 0, 0, 0, 0};
const UINT kConnectionEntry[] = {1, 3, 6, 1, 2, 1, 6, 13, 1};
struct Identifier {
    const UINT* ids;
    UINT length;
};
const Identifier kProbe[] = {
    {kActiveOpens, 9}, {kPassiveOpens, 9}, {kInReceives, 9}, {kDefaultRoute, 14}, {kConnectionEntry, 9},
};
enum { kBindings = 5, kCounters = 3, kRouteBinding = 3, kWalkBinding = 4 };
// A tcpConnState instance: tcpConnEntry, column 1, four address bytes, a
// port, four more and a port.
enum { kConnectionLength = 20, kColumnIndex = 9, kStateColumn = 1 };
// Far more connections than a machine of this kind holds: an agent that
// answers without end (or always with the same row) cannot keep the walk,
// and with it the thread and the kit, for ever.
enum { kWalkRows = 4096 };

// The five bindings. Each identifier is a copy from the global heap, which
// the agent may free or replace; whatever each holds at the end is freed.
class Bindings {
public:
    SnmpVarBind list[kBindings];

    Bindings() {
        memset(list, 0, sizeof list);
        for (int i = 0; i < kBindings; i++) {
            UINT* ids = (UINT*)GlobalAlloc(GMEM_FIXED, kProbe[i].length * sizeof(UINT));
            if (!ids)
                continue;
            memcpy(ids, kProbe[i].ids, kProbe[i].length * sizeof(UINT));
            list[i].name.ids = ids;
            list[i].name.idLength = kProbe[i].length;
        }
    }
    ~Bindings() {
        for (SnmpVarBind& binding : list)
            if (binding.name.ids)
                GlobalFree(binding.name.ids);
    }
    Bindings(const Bindings&) = delete;
    Bindings& operator=(const Bindings&) = delete;

    int complete() const {
        for (const SnmpVarBind& binding : list)
            if (!binding.name.ids)
                return 0;
        return 1;
    }
};

int query(BYTE type, SnmpVarBind* first, UINT count, AsnInteger32* status) {
    SnmpVarBindList request = {first, count};
    AsnInteger32 index = 0;  // the error index is not used
    *status = 0;
    return agent_query(type, &request, status, &index) ? 1 : 0;
}

// An IP address value whose octets the agent allocated.
void free_address(SnmpVarBind& binding) {
    AsnAny& value = binding.value;
    if (value.asnType == ASN_IPADDRESS && value.asnValue.address.dynamic && value.asnValue.address.stream) {
        GlobalFree(value.asnValue.address.stream);
        value.asnValue.address.stream = nullptr;
    }
}

int in_state_column(const AsnObjectIdentifier& name) {
    return name.idLength == kConnectionLength && name.ids && name.ids[kColumnIndex] == kStateColumn;
}

}  // namespace

int load_mib_agent() {
    HMODULE agent = LoadLibraryA("inetmib1.dll");
    if (!agent)
        return 0;
    AgentInit init = (AgentInit)(void*)GetProcAddress(agent, "SnmpExtensionInit");
    AgentQuery query_entry = (AgentQuery)(void*)GetProcAddress(agent, "SnmpExtensionQuery");
    HANDLE trap_event = nullptr;
    AsnObjectIdentifier view = {0, nullptr};
    if (!init || !query_entry || !init((DWORD)time(nullptr), &trap_event, &view)) {
        FreeLibrary(agent);
        return 0;
    }
    agent_query = query_entry;
    InterlockedExchange(&agent_loaded, 1);
    return 1;
}

net_status::net_status() {
    refresh();
}

void net_status::refresh() {
    ip_in_receives = tcp_active_opens = tcp_passive_opens = 0;
    has_default_route = connections_walked = 0;
    AgentLock lock;
    if (!agent_loaded && !load_mib_agent())
        return;
    Bindings bindings;
    if (!bindings.complete())
        return;
    SnmpVarBind* list = bindings.list;
    AsnInteger32 status;
    if (!query(kGet, list, kCounters, &status) || status != 0)
        return;
    tcp_active_opens = list[0].value.asnValue.counter;
    tcp_passive_opens = list[1].value.asnValue.counter;
    ip_in_receives = list[2].value.asnValue.counter;

    SnmpVarBind& route = list[kRouteBinding];
    if (!query(kGet, &route, 1, &status))
        return;
    if (status == 0)
        has_default_route = 1;
    free_address(route);

    SnmpVarBind& walk = list[kWalkBinding];
    // Each get-next starts from the identifier that the agent returned; an
    // error status (noSuchName past the end of its objects, or a failure)
    // ends the walk as a failed call does.
    for (int row = 0; row < kWalkRows; row++)
        if (!query(kGetNext, &walk, 1, &status) || status != 0 || !in_state_column(walk.name))
            break;
    free_address(walk);
    connections_walked = 1;
}
