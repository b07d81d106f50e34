// Stopping a running copy of the product through its named objects: two
// events that ask programs to close, mutexes that tell whether they run, and
// the DDE process's shared memory.
#include "script.h"

namespace {

const char kAppEvent[] = "VantrelEvent";
const char kButtonEvent[] = "WButtonEvent";
const char kDdeMutex[] = "Halvern Dynamics/DDEProc/mutex";
const char kDdeMemory[] = "Halvern Dynamics.DDEProc.Shared Memory";
const char kProxyMutex[] = "Halvern Dynamics/Proxy/mutex";
const char kAppMutex[] = "Halvern Dynamics/Vantrel/MainAppMuteX";
// The DDE process's id is the 32-bit word at this offset; all ones asks it
// to end.
const DWORD kDdeIdOffset = 24;
const DWORD kDdeStop = 0xFFFFFFFF;

int mutex_exists(const char* name) {
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
    if (!mutex)
        return 0;
    CloseHandle(mutex);
    return 1;
}

// Polls once a second, without a limit, while another process holds name.
// The handle may also release the mutex: a wait that succeeds makes this
// thread its owner, and it must not keep the product's mutex.
void wait_for_end(const char* name) {
    for (;;) {
        Sleep(1000);
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
        if (!mutex)
            return;
        if (WaitForSingleObject(mutex, 0) == WAIT_TIMEOUT) {
            CloseHandle(mutex);
            continue;
        }
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return;
    }
}

// Keeps handle (null: none) in slot, closing the one an earlier signal kept.
void keep(HANDLE& slot, HANDLE handle) {
    if (slot != INVALID_HANDLE_VALUE && slot != nullptr)
        CloseHandle(slot);
    slot = handle ? handle : INVALID_HANDLE_VALUE;
}

}  // namespace

int send_shutdown_signal() {
    keep(app_event, OpenEventA(EVENT_ALL_ACCESS, FALSE, kAppEvent));
    if (app_event == INVALID_HANDLE_VALUE)
        return 0;
    SetEvent(app_event);
    keep(button_event, OpenEventA(EVENT_ALL_ACCESS, FALSE, kButtonEvent));
    if (button_event != INVALID_HANDLE_VALUE)
        SetEvent(button_event);
    return 0;
}

int dde_process_running() {
    return mutex_exists(kDdeMutex);
}

int main_application_running() {
    return mutex_exists(kAppMutex);
}

int stop_dde_process() {
    if (!dde_process_running())
        return 1;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, TRUE, kDdeMemory);
    if (!mapping)
        return 0;
    BYTE* view = (BYTE*)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!view) {
        CloseHandle(mapping);
        return 0;
    }
    // The DDE process reads the word at any time: one aligned 32-bit access.
    volatile DWORD* word = (volatile DWORD*)(view + kDdeIdOffset);
    DWORD process_id = *word;
    *word = kDdeStop;
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    Sleep(1000);
    if (!dde_process_running())
        return 1;
    // NT 4.0 refuses the wider mask of later headers.
    static_assert(PROCESS_ALL_ACCESS == 0x1F0FFF, "the full access to a process that NT 4.0 knows");
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, process_id);
    if (!process)
        return 0;
    TerminateProcess(process, 0);
    CloseHandle(process);
    return 1;
}

void wait_for_proxy_end() {
    wait_for_end(kProxyMutex);
}

void wait_for_main_application_end() {
    wait_for_end(kAppMutex);
}
