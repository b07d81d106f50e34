// Stopping a running copy of the product through its named objects: two
// events that ask programs to close, mutexes that tell whether they run, and
// the DDE process's shared memory.
#include <stdio.h>
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
// How long a wait for one of the product's programs goes on before the user
// is told which one still runs and chooses between waiting on and stopping.
const DWORD kWaitBeforeAsking = 30000;
const char kStillRunningCaption[] = "Vantrel is still running";

// The id read from the DDE process's shared memory by the first stop that
// found one there: a second stop finds only the request to end that the
// first wrote, which is no process id.
DWORD dde_process_id = kDdeStop;

int mutex_exists(const char* name) {
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
    if (!mutex)
        return 0;
    CloseHandle(mutex);
    return 1;
}

// 1 while another process holds the mutex name. The handle may also
// release the mutex: a wait that succeeds makes this thread its owner, and
// it must not keep the product's mutex.
int held_elsewhere(const char* name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
    if (!mutex)
        return 0;
    int held = WaitForSingleObject(mutex, 0) == WAIT_TIMEOUT;
    if (!held)
        ReleaseMutex(mutex);
    CloseHandle(mutex);
    return held;
}

// 1 when the user chooses to go on waiting for program.
int wait_on(const char* program) {
    char text[512];
    snprintf(text, sizeof text,
             "%s is still running.\n\nClose it, then choose Retry to wait for it to end, or choose Cancel to "
             "stop: Vantrel then stays installed as it is.",
             program);
    // In front of the splash while it shows; a box that cannot be shown
    // stops the wait, which leaves the product as it is.
    HWND owner = IsWindow(script_splash) ? script_splash : nullptr;
    UINT style = MB_RETRYCANCEL | MB_ICONWARNING | MB_SETFOREGROUND;
    return MessageBoxA(owner, text, kStillRunningCaption, style) == IDRETRY;
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
    if (process_id != kDdeStop)
        dde_process_id = process_id;
    *word = kDdeStop;
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    Sleep(1000);
    if (!dde_process_running())
        return 1;
    // NT 4.0 refuses the wider mask of later headers.
    static_assert(PROCESS_ALL_ACCESS == 0x1F0FFF, "the full access to a process that NT 4.0 knows");
    HANDLE process = dde_process_id != kDdeStop ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, dde_process_id) : nullptr;
    if (!process)
        return 0;
    TerminateProcess(process, 0);
    CloseHandle(process);
    return 1;
}

int wait_for_program_end(const char* mutex_name, const char* program, unsigned long ask_after) {
    DWORD since = GetTickCount();
    for (;;) {
        Sleep(1000);
        if (!held_elsewhere(mutex_name))
            return 1;
        if (GetTickCount() - since < ask_after)
            continue;
        if (!wait_on(program))
            return 0;
        since = GetTickCount();
    }
}

int wait_for_proxy_end() {
    return wait_for_program_end(kProxyMutex, "Vantrel's proxy (relay.exe)", kWaitBeforeAsking);
}

int wait_for_main_application_end() {
    return wait_for_program_end(kAppMutex, "Vantrel's main program (hub.exe)", kWaitBeforeAsking);
}
