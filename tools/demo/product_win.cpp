// The product's running programs and named objects.
#include "product_win.h"
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <tlhelp32.h>
#include <vector>
#include "child_win.h"
#include "machine_win.h"
#include "names.h"

namespace {

struct Running {
    DWORD id;
    std::string image;
};

std::string image_of(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return std::string();
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process, 0, path, &size))
        path[0] = 0;
    CloseHandle(process);
    return path;
}

std::vector<Running> running_from(const std::string& folder) {
    std::vector<Running> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        std::string image = image_of(entry.th32ProcessID);
        if (starts_with_text(image, folder + "\\"))
            found.push_back({entry.th32ProcessID, image});
    }
    CloseHandle(snapshot);
    return found;
}

// "held" while a program owns the mutex, "free" when it exists unowned.
const char* mutex_state(const char* name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
    if (!mutex)
        return "absent";
    DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        ReleaseMutex(mutex);
    CloseHandle(mutex);
    return waited == WAIT_TIMEOUT ? "held" : "free";
}

bool event_exists(const char* name) {
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name);
    if (event)
        CloseHandle(event);
    return event != nullptr;
}

// The DDE process's id from its shared memory; 0 when the memory is absent.
DWORD dde_process_id() {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, VANTREL_DDE_MEMORY);
    if (!mapping)
        return 0;
    DWORD id = 0;
    const BYTE* view = (const BYTE*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (view) {
        memcpy(&id, view + kDdeProcessIdOffset, sizeof id);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return id;
}

void set_event(const char* name) {
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
    if (event) {
        SetEvent(event);
        CloseHandle(event);
    }
}

void ask_dde_process_to_end() {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, VANTREL_DDE_MEMORY);
    if (!mapping)
        return;
    BYTE* view = (BYTE*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (view) {
        DWORD stop = VANTREL_DDE_STOP;
        memcpy(view + kDdeProcessIdOffset, &stop, sizeof stop);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
}

int start_detached(const std::string& command_line, const char* folder) {
    Child program;
    int started = program.start_detached(command_line, folder);
    printf("   %s %s\n", started ? "started" : "cannot start", command_line.c_str());
    return started;
}

struct LinkTarget {
    std::string command_line, folder;
};

int read_link(const std::string& file, LinkTarget* out) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link)))
        return 0;
    IPersistFile* persist = nullptr;
    int read = 0;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&persist))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
        char target[MAX_PATH] = "", arguments[1024] = "", folder[MAX_PATH] = "";
        if (SUCCEEDED(persist->Load(wide, STGM_READ)) &&
            SUCCEEDED(link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH))) {
            link->GetArguments(arguments, sizeof arguments);
            link->GetWorkingDirectory(folder, sizeof folder);
            out->command_line = "\"" + std::string(target) + "\"" + (arguments[0] ? " " : "") + arguments;
            out->folder = folder;
            read = 1;
        }
        persist->Release();
    }
    link->Release();
    return read;
}

struct Spread {
    std::vector<Running> programs;
    int placed;
};

BOOL CALLBACK place_window(HWND window, LPARAM context) {
    Spread* spread = (Spread*)context;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER))
        return TRUE;
    for (const Running& p : spread->programs)
        if (p.id == owner) {
            int n = spread->placed++;
            SetWindowPos(window, nullptr, 40 + 60 * n, 20 + 170 * n, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    return TRUE;
}

}  // namespace

ProductState report_running(const std::string& folder) {
    std::vector<Running> programs = running_from(folder);
    printf("   programs running from %s:\n", folder.c_str());
    for (const Running& p : programs)
        printf("     process %lu: %s\n", p.id, p.image.c_str());
    if (programs.empty())
        printf("     (none)\n");
    printf("   the product's named objects:\n");
    const char* const events[] = {VANTREL_APP_EVENT, VANTREL_BUTTON_EVENT};
    int objects = 0;
    for (const char* name : events) {
        bool open = event_exists(name);
        printf("     event \"%s\": %s\n", name, open ? "open" : "absent");
        objects += open;
    }
    const char* const mutexes[] = {VANTREL_APP_MUTEX, VANTREL_PROXY_MUTEX, VANTREL_DDE_MUTEX};
    int all_held = 1;
    for (const char* name : mutexes) {
        const char* state = mutex_state(name);
        printf("     mutex \"%s\": %s\n", name, state);
        all_held &= strcmp(state, "held") == 0;
        objects += strcmp(state, "absent") != 0;
    }
    DWORD dde = dde_process_id();
    const Running* dde_program = nullptr;
    for (const Running& p : programs)
        if (p.id == dde)
            dde_program = &p;
    if (dde)
        printf("     shared memory \"%s\": the DDE process's id %lu (%s)\n", VANTREL_DDE_MEMORY, dde,
               dde_program ? dde_program->image.c_str() : "no such program runs");
    else
        printf("     shared memory \"%s\": absent\n", VANTREL_DDE_MEMORY);
    if (all_held && dde_program)
        return kProductRuns;
    return programs.empty() && objects == 0 && !dde ? kProductGone : kProductPartly;
}

int spread_windows(const std::string& folder) {
    Spread spread{running_from(folder), 0};
    EnumWindows(place_window, (LPARAM)&spread);
    return spread.placed > 0;
}

int start_run_value(const char* name) {
    std::string command;
    if (!read_text(HKEY_LOCAL_MACHINE, DEMO_RUN_KEY, name, &command)) {
        printf("   no Run value \"%s\"\n", name);
        return 0;
    }
    return start_detached(command, nullptr);
}

int start_shortcut(const char* name) {
    CoInitialize(nullptr);
    LinkTarget target;
    std::string file;
    for (const std::string& folder : programs_folders()) {
        file = folder + "\\Vantrel\\" + name + ".lnk";
        if (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES && read_link(file, &target))
            break;
    }
    CoUninitialize();
    if (target.command_line.empty()) {
        printf("   no shortcut Vantrel\\%s.lnk in the Programs folders\n", name);
        return 0;
    }
    printf("   shortcut %s\n", file.c_str());
    return start_detached(target.command_line, target.folder.empty() ? nullptr : target.folder.c_str());
}

int stop_running(const std::string& folder) {
    if (running_from(folder).empty())
        return 1;
    set_event(VANTREL_APP_EVENT);
    set_event(VANTREL_BUTTON_EVENT);
    ask_dde_process_to_end();
    for (int i = 0; i < 30 && !running_from(folder).empty(); i++)
        Sleep(100);
    for (const Running& p : running_from(folder)) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.id);
        if (process && TerminateProcess(process, 0))
            WaitForSingleObject(process, 5000);
        if (process)
            CloseHandle(process);
        printf("   ended %s (process %lu)\n", p.image.c_str(), p.id);
    }
    return running_from(folder).empty();
}
