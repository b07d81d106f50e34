// The product's programs: the events, mutexes and shared memory the
// installer relies on, and how each program ends.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "appwindow.h"
#include "names.h"
#include "program_args.h"
#include "testkit.h"
#include <shellapi.h>

using namespace testkit;

namespace {

const DWORD kPatience = 20000;
const char kCompanyKey[] = "Software\\Halvern Dynamics Limited";

bool set_event(const char* name) {
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, name);
    if (!event)
        return false;
    SetEvent(event);
    CloseHandle(event);
    return true;
}

// Polls until check holds or the patience runs out.
template <class Check>
bool eventually(Check check) {
    for (DWORD waited = 0; waited < kPatience; waited += 50) {
        if (check())
            return true;
        Sleep(50);
    }
    return check();
}

std::string program(const std::string& name) {
    return bin_folder() + "\\" + name;
}

HWND find_window(const char* title) {
    HWND window = nullptr;
    eventually([&] { return (window = FindWindowA(nullptr, title)) != nullptr; });
    return window;
}

// A started program, terminated at the end of the test if it still runs.
class Started {
public:
    explicit Started(const std::string& command_line) : process_(start_process(command_line)) {}
    ~Started() {
        if (!process_)
            return;
        if (running())
            TerminateProcess(process_, 0xDEAD);
        WaitForSingleObject(process_, kPatience);
        CloseHandle(process_);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    HANDLE handle() const { return process_; }
    bool running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    // Waits for the end; the exit code, or 0xBDBDBDBD while it still runs.
    DWORD exit_code() const {
        DWORD code = 0xBDBDBDBD;
        if (WaitForSingleObject(process_, kPatience) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_, &code);
        return code;
    }

private:
    HANDLE process_;
};

// One value of the product's registry, set or removed for a test and put back
// as it was afterwards, with the keys it had to create.
class SettingGuard {
public:
    SettingGuard(const char* subkey, const char* name) : subkey_(subkey), name_(name) {
        // The keys from the company's down to subkey that do not exist yet.
        std::string path = subkey;
        for (size_t at = strlen(kCompanyKey);; at = path.find('\\', at + 1)) {
            if (!key_exists(HKEY_LOCAL_MACHINE, path.substr(0, at)))
                created_.push_back(path.substr(0, at));
            if (at >= path.size())
                break;
        }
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            DWORD size = sizeof data_;
            had_value_ = RegQueryValueExA(key, name, nullptr, &type_, data_, &size) == ERROR_SUCCESS;
            size_ = size;
            RegCloseKey(key);
        }
    }
    ~SettingGuard() {
        if (had_value_)
            set(type_, data_, size_);
        else
            remove();
        for (auto created = created_.rbegin(); created != created_.rend(); ++created)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, created->c_str());
    }
    SettingGuard(const SettingGuard&) = delete;
    SettingGuard& operator=(const SettingGuard&) = delete;

    // Sets the text, or removes the value when text is null.
    bool set_text(const char* text) {
        if (!text)
            return remove();
        return set(REG_SZ, text, strlen(text) + 1);
    }
    bool set_number(DWORD number) { return set(REG_DWORD, &number, sizeof number); }
    bool remove() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey_, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return true;
        RegDeleteValueA(key, name_);
        RegCloseKey(key);
        return true;
    }

private:
    bool set(DWORD type, const void* data, DWORD size) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        bool done = RegSetValueExA(key, name_, 0, type, (const BYTE*)data, size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return done;
    }

    const char* subkey_;
    const char* name_;
    std::vector<std::string> created_;  // outermost first
    bool had_value_ = false;
    DWORD type_ = 0;
    BYTE data_[1024];
    DWORD size_ = 0;
};

TEST(LastWord, TakesOnlyAWordAfterTheProgramName) {
    struct {
        int line;
        const char* command_line;
        const char* word;
        int expected;
    } cases[] = {
        {__LINE__, "C:\\Program Files\\Vantrel\\hub.exe button", "button", 1},
        {__LINE__, "\"C:\\Program Files\\Vantrel\\hub.exe\" settings  ", "settings", 1},
        {__LINE__, "C:\\Program Files\\Vantrel\\hub.exe runstart", "button", 0},
        {__LINE__, "C:\\Program Files\\Vantrel\\hub.exe", "hub.exe", 0},
        {__LINE__, "button", "button", 0},
        {__LINE__, "C:\\my button\\hub.exe", "button", 0},
        {__LINE__, "ddeproc.exe /ignore-stop", "/ignore-stop", 1},
        {__LINE__, "ddeproc.exe /ignore-stopped", "/ignore-stop", 0},
        {__LINE__, "", "button", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, started_with(c.command_line, c.word)) << "line " << c.line;
}

TEST(Hub, RunsWithItsProxyAndEndsWithItWhenAskedToClose) {
    // An installed product lives in a folder such as "Program Files".
    TempDir blanks("Vantrel with blanks ");
    ASSERT_TRUE(CopyFileA(program("relay.exe").c_str(), (blanks / "relay.exe").c_str(), FALSE));
    TempDir no_relay("Vantrel without relay ");
    std::string build = bin_folder();
    struct {
        int line;
        const char* argument;
        const char* proxy_folder;  // null: not recorded
        bool proxy;
    } cases[] = {
        {__LINE__, " runstart", build.c_str(), true},
        {__LINE__, "", build.c_str(), true},
        {__LINE__, " runstart", blanks.path().c_str(), true},
        {__LINE__, " runstart", no_relay.path().c_str(), false},
        {__LINE__, "", nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        SettingGuard proxy_folder(VANTREL_SETTINGS_KEY, "dtg_proxy_path");
        ASSERT_TRUE(proxy_folder.set_text(c.proxy_folder));
        ASSERT_FALSE(mutex_exists(VANTREL_APP_MUTEX));
        ASSERT_FALSE(mutex_exists(VANTREL_PROXY_MUTEX));
        Started hub(program("hub.exe") + c.argument);
        // The window opens once the proxy has been started.
        EXPECT_TRUE(find_window("Vantrel"));
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, VANTREL_APP_MUTEX);
        ASSERT_TRUE(mutex);
        EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(mutex, 0)) << "the mutex is held";
        CloseHandle(mutex);
        if (c.proxy) {
            EXPECT_TRUE(eventually([] { return mutex_exists(VANTREL_PROXY_MUTEX); }));
        }
        // A second copy leaves the first in charge.
        EXPECT_EQ(0u, Started(program("hub.exe")).exit_code());
        EXPECT_TRUE(hub.running());

        ASSERT_TRUE(set_event(VANTREL_APP_EVENT));
        EXPECT_EQ(0u, hub.exit_code());
        EXPECT_FALSE(mutex_exists(VANTREL_APP_MUTEX));
        EXPECT_FALSE(mutex_exists(VANTREL_PROXY_MUTEX));
    }
}

// The installer opens the close event, sets it and keeps its handle for the
// rest of its run, and then starts the product again: the request answered
// by the first copy must not end the next one.
TEST(Hub, ClosesOnItsEventOnceForEachRequest) {
    struct {
        const char* argument;
        const char* event_name;
        const char* title;
    } cases[] = {
        {" runstart", VANTREL_APP_EVENT, "Vantrel"},
        {" button", VANTREL_BUTTON_EVENT, "Vantrel Button"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        HANDLE event = nullptr;
        {
            Started first(program("hub.exe") + c.argument);
            ASSERT_TRUE(find_window(c.title));
            event = OpenEventA(EVENT_ALL_ACCESS, FALSE, c.event_name);
            ASSERT_TRUE(event);
            SetEvent(event);
            EXPECT_EQ(0u, first.exit_code());
        }
        EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(event, 0)) << "the request is used up";
        Started second(program("hub.exe") + c.argument);
        EXPECT_TRUE(find_window(c.title));
        SetEvent(event);
        EXPECT_EQ(0u, second.exit_code());
        CloseHandle(event);
        EXPECT_FALSE(mutex_exists(VANTREL_APP_MUTEX));
    }
}

TEST(Hub, SettingsWindowShowsTheRecordedSettings) {
    const DWORD kUnset = 0xFFFFFFFF;
    // A cache folder whose index names a data file of 2,048 bytes.
    TempDir cache("hubcache");
    ASSERT_TRUE(write_file(cache / "cache_data", std::string(12, '\x01') + "cache.bin" + std::string(30, '\0')));
    ASSERT_TRUE(write_file(cache / "cache.bin", std::string(2048, 'c')));
    struct {
        int line;
        const char* folder;
        DWORD port, aggressive, prefetch;
        std::string cache;  // "-": no value
        const char* shown;
    } cases[] = {
        {__LINE__, "C:\\Program Files\\Vantrel", 24491, 1, 0, cache.path(),
         "Installed in: C:\\Program Files\\Vantrel\nProxy port: 24491\nAggressive mode: on\nPrefetching: off\n"
         "Cache size: 2048 bytes"},
        {__LINE__, nullptr, kUnset, 0, kUnset, "-",
         "Installed in: not recorded\nProxy port: not set\nAggressive mode: off\nPrefetching: not set\n"
         "Cache size: not recorded"},
        {__LINE__, nullptr, kUnset, 0, kUnset, cache / "nothing here",
         "Installed in: not recorded\nProxy port: not set\nAggressive mode: off\nPrefetching: not set\n"
         "Cache size: 0 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        SettingGuard folder(VANTREL_SETTINGS_KEY, "dtg_proxy_path");
        SettingGuard port(VANTREL_PRODUCT_KEY, "port");
        SettingGuard aggressive(VANTREL_SETTINGS_KEY, "_aggr");
        SettingGuard prefetch(VANTREL_PRODUCT_KEY, "prefetch");
        SettingGuard cache_folder(VANTREL_PRODUCT_KEY, "cacheDir");
        folder.set_text(c.folder);
        c.port == kUnset ? port.remove() : port.set_number(c.port);
        aggressive.set_number(c.aggressive);
        c.prefetch == kUnset ? prefetch.remove() : prefetch.set_number(c.prefetch);
        cache_folder.set_text(c.cache == "-" ? nullptr : c.cache.c_str());

        Started settings(program("hub.exe") + " settings");
        HWND window = find_window("Vantrel Settings");
        ASSERT_TRUE(window);
        // The window is found as soon as it exists, before its text does.
        eventually([&] { return GetDlgItem(window, AppWindow::kTextId) != nullptr; });
        EXPECT_EQ(c.shown, control_text(window, AppWindow::kTextId));
        EXPECT_FALSE(mutex_exists(VANTREL_APP_MUTEX)) << "the settings window is not the main application";
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, settings.exit_code());
    }
}

// The DDE process's shared memory, opened as the installer opens it.
class DdeMemory {
public:
    DdeMemory() {
        mapping_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, TRUE, VANTREL_DDE_MEMORY);
        view_ = mapping_ ? (BYTE*)MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr;
    }
    ~DdeMemory() {
        if (view_)
            UnmapViewOfFile(view_);
        if (mapping_)
            CloseHandle(mapping_);
    }
    DdeMemory(const DdeMemory&) = delete;
    DdeMemory& operator=(const DdeMemory&) = delete;
    bool open() const { return view_ != nullptr; }
    volatile DWORD& word() { return *(volatile DWORD*)(view_ + kDdeProcessIdOffset); }

private:
    HANDLE mapping_ = nullptr;
    BYTE* view_ = nullptr;
};

TEST(DdeProcess, EndsOnTheStopWordUnlessToldToIgnoreIt) {
    for (bool ignore : {false, true}) {
        std::string command_line = program("ddeproc.exe") + (ignore ? " /ignore-stop" : "");
        SCOPED_TRACE(command_line);
        Started dde(command_line);
        ASSERT_TRUE(eventually([] { return mutex_exists(VANTREL_DDE_MUTEX); }));
        // The mutex comes first (a second copy must not touch the memory),
        // the memory with the process id in it just after.
        DWORD id = GetProcessId(dde.handle());
        ASSERT_TRUE(eventually([id] {
            DdeMemory memory;
            return memory.open() && memory.word() == id;
        }));
        DdeMemory memory;
        memory.word() = VANTREL_DDE_STOP;
        if (!ignore) {
            EXPECT_EQ(0u, dde.exit_code());
            EXPECT_FALSE(mutex_exists(VANTREL_DDE_MUTEX));
            continue;
        }
        // It polls the word every 100 ms; a second is ten chances to react.
        Sleep(1000);
        EXPECT_TRUE(dde.running());
        EXPECT_TRUE(mutex_exists(VANTREL_DDE_MUTEX));
    }
}

TEST(Programs, EachShowsItsWindowAndIconsHoldsItsMutexAndClosesOnRequest) {
    struct {
        const char* file;
        const char* argument;
        const char* title;
        UINT icons;
        const char* mutex;
    } programs[] = {
        {"linkup.exe", "", "Vantrel Connect", 1, nullptr},
        {"grabber.exe", "", "Vantrel Download Helper", 1, nullptr},
        {"vantrel_setup.exe", "", "Vantrel Update", 1, nullptr},
        {"relay.exe", "", "Vantrel Proxy", 1, VANTREL_PROXY_MUTEX},
        {"relay alt.exe", "", "Vantrel Proxy", 1, VANTREL_PROXY_MUTEX},
        {"ddeproc.exe", "", "Vantrel DDE", 1, VANTREL_DDE_MUTEX},
        {"hub.exe", " button", "Vantrel Button", 2, nullptr},
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.file);
        std::string path = program(p.file);
        EXPECT_EQ(p.icons, ExtractIconExA(path.c_str(), -1, nullptr, nullptr, 0));
        Started started("\"" + path + "\"" + p.argument);
        HWND window = find_window(p.title);
        EXPECT_TRUE(window);
        if (p.mutex) {
            EXPECT_TRUE(mutex_exists(p.mutex));
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, started.exit_code());
        if (p.mutex) {
            EXPECT_FALSE(mutex_exists(p.mutex));
        }
    }
}

}  // namespace
