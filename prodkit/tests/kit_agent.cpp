// A MIB-II extension agent for the tests, put beside a program as
// "inetmib1.dll". It answers the kit's probe in the way KIT_AGENT names:
//   (unset)     counters, a default route and a two-entry connection table
//   noroute     no route to 0.0.0.0
//   emptytable  no TCP connections
//   nocounters  fails the counters as Wine's own agent does
//   noinit      initialisation fails
//   walkerror   the connection table's second row fails (error status,
//               the name left as it was)
//   endless     a connection table without end
// agent_inits counts the initialisations in this process, agent_overlaps
// the queries that began while another was still being answered (each get
// takes a while, so that two threads that do not take turns meet).
#include <windows.h>
#include <snmp.h>
#include <string.h>

extern "C" {
__declspec(dllexport) LONG agent_inits = 0;
__declspec(dllexport) LONG agent_overlaps = 0;
}

namespace {

enum { kNoSuchName = 2 };
enum { kGetMilliseconds = 50 };
LONG queries_inside = 0;

int mode_is(const char* mode) {
    char value[32] = "";
    GetEnvironmentVariableA("KIT_AGENT", value, sizeof value);
    return strcmp(value, mode) == 0;
}

struct Oid {
    UINT length;
    UINT ids[20];
};

const Oid kActiveOpens = {9, {1, 3, 6, 1, 2, 1, 6, 5, 0}};
const Oid kPassiveOpens = {9, {1, 3, 6, 1, 2, 1, 6, 6, 0}};
const Oid kInReceives = {9, {1, 3, 6, 1, 2, 1, 4, 3, 0}};
const Oid kDefaultRoute = {14, {1, 3, 6, 1, 2, 1, 4, 21, 1, 1, 0, 0, 0, 0}};
const Oid kConnectionEntry = {9, {1, 3, 6, 1, 2, 1, 6, 13, 1}};
// tcpConnState of two connections, then the next column's first instance.
const Oid kFirstState = {20, {1, 3, 6, 1, 2, 1, 6, 13, 1, 1, 127, 0, 0, 1, 80, 127, 0, 0, 1, 1025}};
const Oid kSecondState = {20, {1, 3, 6, 1, 2, 1, 6, 13, 1, 1, 127, 0, 0, 1, 80, 127, 0, 0, 1, 1026}};
const Oid kFirstLocalAddress = {20, {1, 3, 6, 1, 2, 1, 6, 13, 1, 2, 127, 0, 0, 1, 80, 127, 0, 0, 1, 1025}};
const Oid kInSegments = {9, {1, 3, 6, 1, 2, 1, 6, 10, 0}};

int is(const AsnObjectIdentifier& name, const Oid& oid) {
    return name.idLength == oid.length && memcmp(name.ids, oid.ids, oid.length * sizeof(UINT)) == 0;
}

// Replaces the binding's name as an agent does: the old ids go back to the
// global heap, the new ones come from it.
void rename(SnmpVarBind& binding, const Oid& oid) {
    GlobalFree(binding.name.ids);
    binding.name.ids = (UINT*)GlobalAlloc(GMEM_FIXED, oid.length * sizeof(UINT));
    memcpy(binding.name.ids, oid.ids, oid.length * sizeof(UINT));
    binding.name.idLength = oid.length;
}

void set_counter(SnmpVarBind& binding, UINT value) {
    binding.value.asnType = ASN_COUNTER32;
    binding.value.asnValue.counter = value;
}

void set_address(SnmpVarBind& binding) {
    binding.value.asnType = ASN_IPADDRESS;
    BYTE* octets = (BYTE*)GlobalAlloc(GMEM_FIXED, 4);
    memset(octets, 0, 4);
    binding.value.asnValue.address = {octets, 4, TRUE};
}

int get(SnmpVarBind& binding) {
    if (is(binding.name, kActiveOpens))
        set_counter(binding, 11);
    else if (is(binding.name, kPassiveOpens))
        set_counter(binding, 22);
    else if (is(binding.name, kInReceives) && !mode_is("nocounters"))
        set_counter(binding, 33);
    else if (is(binding.name, kDefaultRoute) && !mode_is("noroute"))
        set_address(binding);
    else
        return 0;
    return 1;
}

// The next instance of the tcpConnState column: the last port one up.
void next_state(SnmpVarBind& binding) {
    Oid next = kFirstState;
    next.ids[19] = binding.name.ids[19] + 1;
    rename(binding, next);
}

int get_next(SnmpVarBind& binding) {
    if (binding.name.idLength == 20 && binding.name.ids[9] == 1 && mode_is("endless")) {
        next_state(binding);
    } else if (is(binding.name, kFirstState) && mode_is("walkerror")) {
        return 0;
    } else if (is(binding.name, kConnectionEntry) && mode_is("emptytable")) {
        rename(binding, kInSegments);
        set_counter(binding, 5);
    } else if (is(binding.name, kConnectionEntry)) {
        rename(binding, kFirstState);
        binding.value.asnType = ASN_INTEGER;
        binding.value.asnValue.number = 5;
    } else if (is(binding.name, kFirstState)) {
        rename(binding, kSecondState);
    } else if (is(binding.name, kSecondState)) {
        rename(binding, kFirstLocalAddress);
        set_address(binding);
    } else {
        return 0;
    }
    return 1;
}

BOOL answer(BYTE type, SnmpVarBindList* list, AsnInteger32* status, AsnInteger32* index) {
    *status = 0;
    *index = 0;
    for (UINT i = 0; i < list->len; i++) {
        SnmpVarBind& binding = list->list[i];
        int answered = type == SNMP_PDU_GET ? get(binding) : type == SNMP_PDU_GETNEXT && get_next(binding);
        if (!answered) {
            *status = kNoSuchName;
            *index = (AsnInteger32)i + 1;
            return TRUE;
        }
    }
    return TRUE;
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI SnmpExtensionInit(DWORD, HANDLE* trap_event,
                                                               AsnObjectIdentifier* view) {
    InterlockedIncrement(&agent_inits);
    if (mode_is("noinit"))
        return FALSE;
    *trap_event = nullptr;
    view->idLength = 0;
    view->ids = nullptr;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI SnmpExtensionQuery(BYTE type, SnmpVarBindList* list,
                                                                AsnInteger32* status, AsnInteger32* index) {
    if (InterlockedIncrement(&queries_inside) > 1)
        InterlockedIncrement(&agent_overlaps);
    if (type == SNMP_PDU_GET)
        Sleep(kGetMilliseconds);
    BOOL result = answer(type, list, status, index);
    InterlockedDecrement(&queries_inside);
    return result;
}
