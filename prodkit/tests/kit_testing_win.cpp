// Helpers of the kit's Windows tests.
#include "kit_testing.h"
#include <fcntl.h>
#include <stdio.h>

using namespace testkit;

namespace kit_testing {

const char kMakerKey[] = "Software\\Halvern Dynamics Limited";
const char kProductKey[] = "Software\\Halvern Dynamics Limited\\Vantrel";
const char kSettingsKey[] = "Software\\Halvern Dynamics Limited\\Vantrel\\Settings";

ProductKeys::ProductKeys() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMakerKey);
}

ProductKeys::~ProductKeys() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMakerKey);
}

static bool set_dacl(HKEY root, const std::string& subkey, SECURITY_DESCRIPTOR* security) {
    HKEY key;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return false;
    bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

ReadOnlyKey::ReadOnlyKey(HKEY root, const char* subkey) : root_(root), subkey_(subkey) {
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    original_.resize(size);
    if (!size || RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, original_.data(), &size) != ERROR_SUCCESS)
        original_.clear();
    RegCloseKey(key);
    if (original_.empty())
        return;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return;
    DWORD acl_space[64];
    ACL* acl = (ACL*)acl_space;
    SECURITY_DESCRIPTOR security;
    if (InitializeAcl(acl, sizeof acl_space, ACL_REVISION) &&
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
        InitializeSecurityDescriptor(&security, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&security, TRUE, acl, FALSE))
        set_dacl(root, subkey_, &security);
    FreeSid(everyone);
}

ReadOnlyKey::~ReadOnlyKey() {
    if (!original_.empty())
        set_dacl(root_, subkey_, (SECURITY_DESCRIPTOR*)original_.data());
}

bool ReadOnlyKey::locked() const {
    HKEY key;
    LONG status = RegOpenKeyExA(root_, subkey_.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_SUCCESS)
        RegCloseKey(key);
    return status == ERROR_ACCESS_DENIED;
}

void create_key(HKEY root, const char* subkey) {
    HKEY key;
    if (RegCreateKeyA(root, subkey, &key) == ERROR_SUCCESS)
        RegCloseKey(key);
}

void set_bytes(HKEY root, const char* subkey, const char* name, DWORD type, const void* data, DWORD size) {
    RegSetKeyValueA(root, subkey, name, type, data, size);
}

void set_text(HKEY root, const char* subkey, const char* name, const std::string& text) {
    set_bytes(root, subkey, name, REG_SZ, text.c_str(), (DWORD)text.size() + 1);
}

void set_number(HKEY root, const char* subkey, const char* name, DWORD number) {
    set_bytes(root, subkey, name, REG_DWORD, &number, sizeof number);
}

bool get_number(HKEY root, const char* subkey, const char* name, DWORD* number) {
    DWORD size = sizeof *number;
    return RegGetValueA(root, subkey, name, RRF_RT_REG_DWORD, nullptr, number, &size) == ERROR_SUCCESS;
}

Reports::Reports() : folder_("kitreports") {
    SetEnvironmentVariableA("KIT_CHILD_REPORTS", folder_.path().c_str());
}

Reports::~Reports() {
    end_all();
    SetEnvironmentVariableA("KIT_CHILD_REPORTS", nullptr);
}

static bool read_report(const std::string& path, DWORD process_id, Report* report) {
    std::string text;
    if (!read_file(path, &text))
        return false;
    size_t line_end = text.find('\n');
    report->process_id = process_id;
    report->module = text.substr(0, line_end);
    report->command_line = line_end == std::string::npos ? "" : text.substr(line_end + 1);
    return true;
}

bool Reports::wait(DWORD process_id, Report* report) {
    std::string path = folder_ / (std::to_string(process_id) + ".txt");
    for (int i = 0; i < 400; i++) {
        if (read_report(path, process_id, report))
            return true;
        Sleep(50);
    }
    return false;
}

std::vector<Report> Reports::all(size_t at_least) {
    std::vector<Report> reports;
    for (int i = 0; i < 400; i++) {
        reports.clear();
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder_ / "*.txt").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                Report report;
                if (read_report(folder_ / found.cFileName, strtoul(found.cFileName, nullptr, 10), &report))
                    reports.push_back(report);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        if (reports.size() >= at_least)
            break;
        Sleep(50);
    }
    return reports;
}

void Reports::end_all() {
    for (const Report& report : all()) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, report.process_id);
        if (process) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
        DeleteFileA((folder_ / (std::to_string(report.process_id) + ".txt")).c_str());
    }
}

bool copy_to(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

// The C runtime writes "\n" to a pipe as "\r\n": undone here, so that the
// output reads as the kit printed it.
static std::string as_printed(const std::string& raw) {
    std::string text;
    for (size_t i = 0; i < raw.size(); i++) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        text += raw[i];
    }
    return text;
}

ProbeRun run_probe(const std::string& command_line, const std::string& stop_at) {
    ProbeRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end, write_end;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0))
        return run;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process;
    std::string line = command_line;
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        return run;
    }
    CloseHandle(process.hThread);
    std::string raw;
    DWORD start = GetTickCount();
    for (;;) {
        // Programs that the probe started may hold the pipe open after it ends.
        bool ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        DWORD available = 0;
        if (!PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr))
            break;  // the probe has ended and its output is read
        if (available) {
            char buffer[4096];
            DWORD got = 0;
            if (!ReadFile(read_end, buffer, sizeof buffer, &got, nullptr))
                break;
            raw.append(buffer, got);
            if (!stop_at.empty() && as_printed(raw).find(stop_at) != std::string::npos)
                break;
            continue;
        }
        if (ended || GetTickCount() - start > 120000)
            break;
        Sleep(20);
    }
    run.ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    if (!run.ended) {
        TerminateProcess(process.hProcess, 0xDEADDEAD);
        WaitForSingleObject(process.hProcess, 10000);
    }
    GetExitCodeProcess(process.hProcess, &run.exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(read_end);
    run.output = as_printed(raw);
    return run;
}

namespace {

typedef int(__cdecl* Flush)(FILE*);
typedef int(__cdecl* Duplicate)(int);
typedef int(__cdecl* Duplicate2)(int, int);
typedef int(__cdecl* Open)(const char*, int, ...);
typedef int(__cdecl* Close)(int);

template <typename Function>
Function runtime_function(HMODULE runtime, const char* name) {
    return runtime ? (Function)(void*)GetProcAddress(runtime, name) : nullptr;
}

// The runtime's own standard output: the second of its streams.
FILE* runtime_stdout(HMODULE runtime) {
    FILE* streams = runtime ? (FILE*)(void*)GetProcAddress(runtime, "_iob") : nullptr;
    return streams ? streams + 1 : nullptr;
}

}  // namespace

KitOutput::KitOutput() : runtime_(LoadLibraryA("crtdll.dll")) {
    char folder[MAX_PATH], file[MAX_PATH];
    auto flush = runtime_function<Flush>(runtime_, "fflush");
    auto duplicate = runtime_function<Duplicate>(runtime_, "_dup");
    auto duplicate2 = runtime_function<Duplicate2>(runtime_, "_dup2");
    auto open = runtime_function<Open>(runtime_, "_open");
    auto close = runtime_function<Close>(runtime_, "_close");
    if (!flush || !duplicate || !duplicate2 || !open || !close || !GetTempPathA(sizeof folder, folder) ||
        !GetTempFileNameA(folder, "kit", 0, file))
        return;
    file_ = file;
    flush(runtime_stdout(runtime_));
    saved_ = duplicate(1);
    int output = open(file, _O_WRONLY | _O_TRUNC | _O_BINARY);
    if (output >= 0) {
        duplicate2(output, 1);
        close(output);
    }
}

KitOutput::~KitOutput() {
    finish();
    if (!file_.empty())
        DeleteFileA(file_.c_str());
    if (runtime_)
        FreeLibrary(runtime_);
}

std::string KitOutput::finish() {
    if (saved_ < 0)
        return "";
    runtime_function<Flush>(runtime_, "fflush")(runtime_stdout(runtime_));
    runtime_function<Duplicate2>(runtime_, "_dup2")(saved_, 1);
    runtime_function<Close>(runtime_, "_close")(saved_);
    saved_ = -1;
    std::string text;
    FILE* in = fopen(file_.c_str(), "rb");
    if (!in)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, in)) > 0)
        text.append(buffer, n);
    fclose(in);
    return text;
}

static std::string app_key(const std::string& program) {
    return "Software\\Wine\\AppDefaults\\" + program;
}

AppDefaults::~AppDefaults() {
    RegDeleteTreeA(HKEY_CURRENT_USER, app_key(program_).c_str());
}

void AppDefaults::version(const char* version) {
    set_text(HKEY_CURRENT_USER, app_key(program_).c_str(), "Version", version);
}

void AppDefaults::native_dll(const char* dll) {
    set_text(HKEY_CURRENT_USER, (app_key(program_) + "\\DllOverrides").c_str(), dll, "native");
}

void AppDefaults::missing_dll(const char* dll) {
    set_text(HKEY_CURRENT_USER, (app_key(program_) + "\\DllOverrides").c_str(), dll, "");
}

}  // namespace kit_testing
