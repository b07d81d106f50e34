// Runs the kit in a process of its own, for what a test cannot see from
// inside its own process: standard output, the Windows version a program is
// shown, the agent loaded beside a program, an unload, a fresh kit state.
//   prodkit_probe register [COUNT]  perform_registration COUNT times (1),
//                                    then wait for the counter threads
//   prodkit_probe unload            load, register, unload, then wait
//   prodkit_probe dialup            is_dial_up_installed, call_dial_up, check_timeout
//   prodkit_probe kill              Forcefully_Kill_Proxy in a fresh kit
// The kit is loaded from beside the probe at run time.
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <string.h>
#include <set>

namespace {

typedef int (*KitCall)();

std::set<DWORD> own_threads() {
    std::set<DWORD> threads;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return threads;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            threads.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return threads;
}

// Waits until every thread that is not in before has ended (at most two
// minutes: the receive and connect limits of the kit are far below that).
void wait_for_new_threads(const std::set<DWORD>& before) {
    for (int i = 0; i < 1200; i++) {
        int running = 0;
        for (DWORD id : own_threads())
            running += !before.count(id);
        if (!running)
            return;
        Sleep(100);
    }
}

KitCall entry(HMODULE kit, const char* name) {
    return kit ? (KitCall)(void*)GetProcAddress(kit, name) : nullptr;
}

// A count the test agent keeps (agent_inits, agent_overlaps); -1 without it.
int agent_count(const char* name) {
    HMODULE agent = GetModuleHandleA("inetmib1.dll");
    LONG* count = agent ? (LONG*)(void*)GetProcAddress(agent, name) : nullptr;
    return count ? (int)*count : -1;
}

int do_register(HMODULE kit, int count) {
    KitCall perform = entry(kit, "perform_registration");
    if (!perform)
        return 2;
    std::set<DWORD> before = own_threads();
    for (int i = 0; i < count; i++)
        perform();
    wait_for_new_threads(before);
    if (count > 1)
        printf("inits=%d overlaps=%d\n", agent_count("agent_inits"), agent_count("agent_overlaps"));
    return 0;
}

int do_unload(HMODULE kit) {
    KitCall perform = entry(kit, "perform_registration");
    if (!perform)
        return 2;
    std::set<DWORD> before = own_threads();
    perform();
    FreeLibrary(kit);
    // Printed once the thread is done, apart from its lines.
    int loaded_after_free = GetModuleHandleA("prodkit.dll") != nullptr;
    HANDLE freed = OpenEventA(EVENT_MODIFY_STATE, FALSE, "prodkit_probe_freed");
    if (freed) {
        SetEvent(freed);
        CloseHandle(freed);
    }
    wait_for_new_threads(before);
    printf("kit loaded after free=%d\n", loaded_after_free);
    printf("kit loaded at end=%d\n", GetModuleHandleA("prodkit.dll") != nullptr);
    return 0;
}

int do_dialup(HMODULE kit) {
    KitCall installed = entry(kit, "is_dial_up_installed"), dial = entry(kit, "call_dial_up"),
            timeout = entry(kit, "check_timeout");
    if (!installed || !dial || !timeout)
        return 2;
    int a = installed();
    int b = dial();
    printf("installed=%d dial=%d timeout=%d\n", a, b, timeout());
    return 0;
}

int do_kill(HMODULE kit) {
    KitCall kill = entry(kit, "Forcefully_Kill_Proxy");
    if (!kill)
        return 2;
    // Were the invalid handle taken for this process, nothing below would run.
    printf("kill=%d\n", kill());
    printf("kill=%d\n", kill());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The kit's trace lines and the probe's own reach the pipe in order:
    // neither this program's C runtime nor the kit's (crtdll.dll, whose
    // streams are its own) holds them back.
    setvbuf(stdout, nullptr, _IONBF, 0);
    HMODULE kit_runtime = LoadLibraryA("crtdll.dll");
    auto kit_setvbuf = kit_runtime ? (int(__cdecl*)(FILE*, char*, int, size_t))(void*)GetProcAddress(kit_runtime, "setvbuf")
                                   : nullptr;
    FILE* kit_streams = kit_runtime ? (FILE*)(void*)GetProcAddress(kit_runtime, "_iob") : nullptr;
    if (kit_setvbuf && kit_streams)
        kit_setvbuf(kit_streams + 1, nullptr, _IONBF, 0);
    // A fault ends the probe at once (no debugger), and the test sees it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (argc < 2)
        return 2;
    HMODULE kit = LoadLibraryA("prodkit.dll");
    if (!kit) {
        printf("prodkit.dll not loaded\n");
        return 3;
    }
    const char* command = argv[1];
    if (!strcmp(command, "register"))
        return do_register(kit, argc > 2 ? atoi(argv[2]) : 1);
    if (!strcmp(command, "unload"))
        return do_unload(kit);
    if (!strcmp(command, "dialup"))
        return do_dialup(kit);
    if (!strcmp(command, "kill"))
        return do_kill(kit);
    return 2;
}
