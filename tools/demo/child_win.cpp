// A program the demo starts, with its output collected or sent nowhere.
#include "child_win.h"
#include <tlhelp32.h>
#include <vector>

Child::~Child() {
    if (process_)
        CloseHandle(process_);
    if (output_)
        CloseHandle(output_);
}

int Child::start(const std::string& command_line, const char* folder, HANDLE output) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nothing = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
    if (nothing == INVALID_HANDLE_VALUE)
        return 0;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = output ? output : nothing;
    startup.hStdError = output ? output : nothing;
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back(0);
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                                  &process);
    CloseHandle(nothing);
    if (!started)
        return 0;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    id_ = process.dwProcessId;
    return 1;
}

int Child::start_detached(const std::string& command_line, const char* folder) {
    return !process_ && start(command_line, folder, nullptr);
}

int Child::start_collected(const std::string& command_line) {
    if (process_)
        return 0;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end, write_end;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0))
        return 0;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    int started = start(command_line, nullptr, write_end);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        return 0;
    }
    output_ = read_end;
    return 1;
}

void Child::output(std::string* out) {
    DWORD available = 0;
    while (output_ && PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr) && available) {
        char block[4096];
        DWORD n = 0;
        if (!ReadFile(output_, block, available < sizeof block ? available : sizeof block, &n, nullptr) || !n)
            return;
        out->append(block, n);
    }
}

int Child::ended(DWORD wait_ms) {
    return !process_ || WaitForSingleObject(process_, wait_ms) == WAIT_OBJECT_0;
}

DWORD Child::exit_code() const {
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_, &code);
    return code;
}

void Child::terminate() {
    if (process_) {
        TerminateProcess(process_, 0xDEADDEAD);
        WaitForSingleObject(process_, 5000);
    }
}

static bool any_runs(const char* image) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = _stricmp(entry.szExeFile, image) == 0;
    CloseHandle(snapshot);
    return found;
}

int wait_until_none_runs(const char* image, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (any_runs(image)) {
        if (GetTickCount() - start > timeout_ms)
            return 0;
        Sleep(200);
    }
    return 1;
}
