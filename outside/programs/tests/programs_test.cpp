// The product's programs: the events, mutexes and shared memory the
// installer relies on, and how each program ends.
#include <gtest/gtest.h>
#include <string>
#include "names.h"
#include "program_args.h"
#include "testkit.h"
#include <shellapi.h>

using namespace testkit;

namespace {

const DWORD kPatience = 20000;

bool mutex_exists(const char* name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (!mutex)
        return false;
    CloseHandle(mutex);
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

std::string program(const char* name) {
    return bin_folder() + "\\" + name;
}

// A started program, terminated at the end of the test if it still runs.
class Started {
public:
    explicit Started(const std::string& command_line) : process_(start_process(command_line)) {}
    ~Started() {
        if (process_) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
                TerminateProcess(process_, 0xDEAD);
            WaitForSingleObject(process_, kPatience);
            CloseHandle(process_);
        }
    }
    HANDLE handle() const { return process_; }
    bool ended() const { return WaitForSingleObject(process_, kPatience) == WAIT_OBJECT_0; }
    bool running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    DWORD exit_code() const {
        DWORD code = 0xBDBDBDBD;
        GetExitCodeProcess(process_, &code);
        return code;
    }

private:
    HANDLE process_;
};

bool set_event(const char* name) {
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, name);
    if (!event)
        return false;
    SetEvent(event);
    CloseHandle(event);
    return true;
}

// The settings value that tells hub.exe where its proxy is; the key is put
// back as it was afterwards.
class ProxyPath {
public:
    explicit ProxyPath(const std::string& folder) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            existed_ = true;
            DWORD size = sizeof old_;
            had_value_ = RegQueryValueExA(key, "dtg_proxy_path", nullptr, nullptr, (BYTE*)old_, &size) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "dtg_proxy_path", 0, REG_SZ, (const BYTE*)folder.c_str(), folder.size() + 1);
            RegCloseKey(key);
        }
    }
    ~ProxyPath() {
        if (!existed_) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY);
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited\\Vantrel");
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited");
            return;
        }
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VANTREL_SETTINGS_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return;
        if (had_value_)
            RegSetValueExA(key, "dtg_proxy_path", 0, REG_SZ, (const BYTE*)old_, strlen(old_) + 1);
        else
            RegDeleteValueA(key, "dtg_proxy_path");
        RegCloseKey(key);
    }

private:
    bool existed_ = false;
    bool had_value_ = false;
    char old_[300] = "";
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
    ProxyPath proxy_path(bin_folder());
    ASSERT_FALSE(mutex_exists(VANTREL_APP_MUTEX));
    Started hub(program("hub.exe") + " runstart");
    ASSERT_TRUE(hub.handle());
    EXPECT_TRUE(eventually([] { return mutex_exists(VANTREL_APP_MUTEX); }));
    EXPECT_TRUE(eventually([] { return mutex_exists(VANTREL_PROXY_MUTEX); }));
    // The main application's mutex is held: a wait on it times out.
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, VANTREL_APP_MUTEX);
    ASSERT_TRUE(mutex);
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(mutex, 0));
    CloseHandle(mutex);

    ASSERT_TRUE(set_event(VANTREL_APP_EVENT));
    ASSERT_TRUE(hub.ended());
    EXPECT_EQ(0u, hub.exit_code());
    EXPECT_FALSE(mutex_exists(VANTREL_APP_MUTEX));
    EXPECT_FALSE(mutex_exists(VANTREL_PROXY_MUTEX));
}

TEST(Hub, ASecondCopyLeavesTheFirstInCharge) {
    ProxyPath proxy_path(bin_folder());
    Started first(program("hub.exe"));
    ASSERT_TRUE(eventually([] { return mutex_exists(VANTREL_APP_MUTEX); }));
    Started second(program("hub.exe"));
    ASSERT_TRUE(second.ended());
    EXPECT_EQ(0u, second.exit_code());
    EXPECT_TRUE(first.running());
    ASSERT_TRUE(set_event(VANTREL_APP_EVENT));
    EXPECT_TRUE(first.ended());
}

TEST(Hub, ButtonProgramEndsOnItsEvent) {
    Started button(program("hub.exe") + " button");
    ASSERT_TRUE(eventually([] { return set_event(VANTREL_BUTTON_EVENT); }));
    ASSERT_TRUE(button.ended());
    EXPECT_EQ(0u, button.exit_code());
    EXPECT_FALSE(mutex_exists(VANTREL_APP_MUTEX));
}

TEST(Relay, BothNamesHoldTheProxyMutexWhileRunning) {
    for (const char* name : {"relay.exe", "relay alt.exe"}) {
        Started relay("\"" + program(name) + "\"");
        EXPECT_TRUE(eventually([] { return mutex_exists(VANTREL_PROXY_MUTEX); })) << name;
        TerminateProcess(relay.handle(), 0);
        ASSERT_TRUE(relay.ended()) << name;
        EXPECT_FALSE(mutex_exists(VANTREL_PROXY_MUTEX)) << name;
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
    bool open() const { return view_ != nullptr; }
    volatile DWORD& word() { return *(volatile DWORD*)(view_ + kDdeProcessIdOffset); }

private:
    HANDLE mapping_ = nullptr;
    BYTE* view_ = nullptr;
};

TEST(DdeProcess, EndsOnTheStopWordUnlessToldToIgnoreIt) {
    for (bool ignore : {false, true}) {
        std::string command_line = program("ddeproc.exe") + (ignore ? " /ignore-stop" : "");
        Started dde(command_line);
        ASSERT_TRUE(eventually([] { return mutex_exists(VANTREL_DDE_MUTEX); })) << command_line;
        DdeMemory memory;
        ASSERT_TRUE(memory.open()) << command_line;
        EXPECT_EQ(GetProcessId(dde.handle()), memory.word()) << command_line;
        memory.word() = VANTREL_DDE_STOP;
        if (!ignore) {
            ASSERT_TRUE(dde.ended()) << command_line;
            EXPECT_EQ(0u, dde.exit_code());
            EXPECT_FALSE(mutex_exists(VANTREL_DDE_MUTEX));
            continue;
        }
        // It polls the word every 100 ms; a second is ten chances to react.
        Sleep(1000);
        EXPECT_TRUE(dde.running()) << command_line;
        EXPECT_TRUE(mutex_exists(VANTREL_DDE_MUTEX));
    }
}

TEST(SmallPrograms, EachShowsAWindowWithItsIconsAndClosesOnRequest) {
    struct {
        const char* file;
        const char* title;
        UINT icons;
    } programs[] = {
        {"linkup.exe", "Vantrel Connect", 1},
        {"grabber.exe", "Vantrel Download Helper", 1},
        {"vantrel_setup.exe", "Vantrel Update", 1},
        {"relay.exe", "Vantrel Proxy", 1},
        {"ddeproc.exe", "Vantrel DDE", 1},
        {"hub.exe settings", "Vantrel Settings", 2},
    };
    for (const auto& p : programs) {
        std::string file = p.file;
        std::string path = program(file.substr(0, file.find(' ')).c_str());
        EXPECT_EQ(p.icons, ExtractIconExA(path.c_str(), -1, nullptr, nullptr, 0)) << p.file;
        Started started(program(p.file));
        HWND window = nullptr;
        EXPECT_TRUE(eventually([&] { return (window = FindWindowA(nullptr, p.title)) != nullptr; })) << p.file;
        PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(started.ended()) << p.file;
        EXPECT_EQ(0u, started.exit_code()) << p.file;
    }
}

}  // namespace
