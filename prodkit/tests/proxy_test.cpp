// Starting programs and the proxy, and ending the proxy.
#include <gtest/gtest.h>
#include "kit_testing.h"
#include "prodkit.h"

using namespace testkit;
using namespace kit_testing;

namespace {

std::string child() {
    return bin_folder() + "\\kit_child.exe";
}

bool running(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

// A process handle of the test's own, ended and closed at the end.
class Owned {
public:
    explicit Owned(HANDLE process) : process_(process) {}
    ~Owned() {
        if (!process_)
            return;
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 10000);
        CloseHandle(process_);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    HANDLE get() const { return process_; }

private:
    HANDLE process_;
};

// A handle to a proxy that the kit started, the kit's own being its to close.
HANDLE watch(void* proxy) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), proxy, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}

TEST(RunProgram, StartsTheCommandLineAsGiven) {
    Reports reports;
    std::string line = child() + " one  \"two three\" four";
    Owned started(run_program(&line[0]));
    ASSERT_TRUE(started.get());
    EXPECT_TRUE(running(started.get()));
    Report report;
    ASSERT_TRUE(reports.wait(GetProcessId(started.get()), &report));
    EXPECT_EQ(line, report.command_line);
    EXPECT_EQ(0, lstrcmpiA(child().c_str(), report.module.c_str()));

    std::string missing = bin_folder() + "\\no_such_program.exe";
    EXPECT_EQ(nullptr, run_program(&missing[0]));
    EXPECT_EQ(nullptr, run_program(nullptr));
}

class Proxy : public testing::Test {
protected:
    void SetUp() override {
        folder_ = dir_.path() + "\\Vantrel proxy folder";
        CreateDirectoryA(folder_.c_str(), nullptr);
        set_text(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path", folder_);
    }
    void TearDown() override { Forcefully_Kill_Proxy(); }

    // Puts the stand-in in the folder under the proxy's name.
    void install(const char* name) { ASSERT_TRUE(copy_to(child(), folder_ + "\\" + name)); }

    ProductKeys keys_;
    Reports reports_;
    TempDir dir_{"kitproxy"};
    std::string folder_;
};

TEST_F(Proxy, TheArgumentChoosesTheProgramNotItsText) {
    struct {
        int line;
        const char* alternative;
        const char* program;
    } cases[] = {
        {__LINE__, nullptr, "relay.exe"},
        {__LINE__, "", "relay alt.exe"},
        {__LINE__, "relay.exe", "relay alt.exe"},
    };
    // Every program that a path with blanks could be taken for is there:
    // unquoted, "...\\Vantrel proxy folder\\relay alt.exe" is first read as
    // "...\\Vantrel" and "...\\relay" with arguments.
    install("relay.exe");
    install("relay alt.exe");
    ASSERT_TRUE(copy_to(child(), dir_ / "Vantrel.exe"));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        void* proxy = Launch_Proxy((char*)c.alternative);
        ASSERT_TRUE(proxy);
        Report report;
        ASSERT_TRUE(reports_.wait(GetProcessId(proxy), &report));
        std::string expected = folder_ + "\\" + c.program;
        EXPECT_EQ(0, lstrcmpiA(expected.c_str(), report.module.c_str()));
        EXPECT_EQ("\"" + expected + "\"", report.command_line);
        EXPECT_EQ(1, Forcefully_Kill_Proxy());
    }
}

// NT lets the product's ordinary user only read the settings key.
TEST_F(Proxy, StartsFromASettingsKeyItMayOnlyRead) {
    install("relay.exe");
    ReadOnlyKey settings(HKEY_LOCAL_MACHINE, kSettingsKey);
    ASSERT_TRUE(settings.locked());
    void* proxy = Launch_Proxy(nullptr);
    ASSERT_TRUE(proxy);
    Report report;
    EXPECT_TRUE(reports_.wait(GetProcessId(proxy), &report));
    EXPECT_EQ(1, Forcefully_Kill_Proxy());
}

TEST_F(Proxy, AKillEndsOnlyTheLastLaunchedAndForgetsIt) {
    install("relay.exe");
    Owned first(watch(Launch_Proxy(nullptr)));
    Owned second(watch(Launch_Proxy(nullptr)));
    ASSERT_TRUE(first.get() && second.get());
    EXPECT_EQ(1, Forcefully_Kill_Proxy());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.get(), 10000));
    EXPECT_TRUE(running(first.get()));

    // The closed handle's value comes back for the next handle the system
    // gives out; a second kill must not reach that process.
    std::string line = child();
    Owned bystander(run_program(&line[0]));
    ASSERT_TRUE(bystander.get());
    EXPECT_EQ(1, Forcefully_Kill_Proxy());
    EXPECT_TRUE(running(bystander.get()));
    EXPECT_TRUE(running(first.get()));
}

TEST_F(Proxy, LaunchesThatStartNothingKeepTheEarlierProxy) {
    install("relay.exe");
    install("relay alt.exe");
    struct {
        int line;
        void (*change)(const std::string& folder);
        const char* alternative;
    } cases[] = {
        {__LINE__, [](const std::string&) { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey); }, nullptr},
        {__LINE__, [](const std::string&) { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path"); },
         nullptr},
        {__LINE__, [](const std::string&) { set_text(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path", ""); },
         nullptr},
        {__LINE__,
         [](const std::string&) { set_bytes(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path", REG_SZ, "", 0); },
         nullptr},
        // 246 characters and "\\relay alt.exe" do not fit 260 bytes.
        {__LINE__,
         [](const std::string&) {
             set_text(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path", "C:\\" + std::string(243, 'p'));
         },
         ""},
        {__LINE__,
         [](const std::string&) {
             set_text(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path", "C:\\" + std::string(247, 'p'));
         },
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        set_text(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path", folder_);
        Owned earlier(watch(Launch_Proxy(nullptr)));
        ASSERT_TRUE(earlier.get());
        c.change(folder_);
        // Its own report first: the ones already there belong to earlier
        // cases, and a slow start would otherwise be counted as a new launch.
        Report started;
        ASSERT_TRUE(reports_.wait(GetProcessId(earlier.get()), &started));
        size_t before = reports_.all().size();
        EXPECT_EQ(nullptr, Launch_Proxy((char*)c.alternative));
        EXPECT_EQ(1, Forcefully_Kill_Proxy());
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(earlier.get(), 10000)) << "the earlier proxy is still the one";
        EXPECT_EQ(before, reports_.all().size());
    }
}

TEST_F(Proxy, AFailedStartReplacesTheEarlierProxyWithNothing) {
    install("relay.exe");
    struct {
        int line;
        std::string folder;
        const char* alternative;
    } cases[] = {
        {__LINE__, "C:\\no such folder", nullptr},
        // 245 characters and "\\relay alt.exe" fill 260 bytes exactly: tried.
        {__LINE__, "C:\\" + std::string(242, 'p'), ""},
        {__LINE__, "C:\\" + std::string(246, 'p'), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        set_text(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path", folder_);
        Owned earlier(watch(Launch_Proxy(nullptr)));
        ASSERT_TRUE(earlier.get());
        set_text(HKEY_LOCAL_MACHINE, kSettingsKey, "dtg_proxy_path", c.folder);
        EXPECT_EQ(nullptr, Launch_Proxy((char*)c.alternative));
        EXPECT_EQ(1, Forcefully_Kill_Proxy());
        EXPECT_TRUE(running(earlier.get()));
    }
}

TEST(ProxyKill, WithoutALaunchEndsNothing) {
    ProbeRun run = run_probe(bin_folder() + "\\prodkit_probe.exe kill");
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ("kill=1\nkill=1\n", run.output);
}

}  // namespace
