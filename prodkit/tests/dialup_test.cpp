// Dial-up detection and dialing under the Windows 95 family and NT, as Wine
// shows them to the probe. The dialers are stand-ins put where the command
// lines point, and removed again.
#include <gtest/gtest.h>
#include "kit_testing.h"

using namespace testkit;
using namespace kit_testing;

namespace {

const char kRemoteAccess[] = "RemoteAccess";

std::string windows_folder() {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    return folder;
}

std::string system_folder() {
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, sizeof folder);
    return folder;
}

// Stand-ins put into the system's folders for one test, removed at the end
// (once the stand-ins that run from them are ended).
class SystemFiles {
public:
    explicit SystemFiles(Reports& reports) : reports_(reports) {}
    ~SystemFiles() {
        reports_.end_all();
        for (const std::string& path : placed_)
            DeleteFileA(path.c_str());
    }
    SystemFiles(const SystemFiles&) = delete;
    SystemFiles& operator=(const SystemFiles&) = delete;
    void place(const std::string& path, const std::string& from) {
        ASSERT_FALSE(file_exists(path)) << path << " belongs to the system";
        ASSERT_TRUE(copy_to(from, path));
        placed_.push_back(path);
    }

private:
    Reports& reports_;
    std::vector<std::string> placed_;
};

class DialUp : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kRemoteAccess); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kRemoteAccess); }

    ProbeRun dial(const char* version) {
        probe_.version(version);
        return run_probe(bin_folder() + "\\prodkit_probe.exe dialup");
    }
    static std::string child() { return bin_folder() + "\\kit_child.exe"; }

    AppDefaults probe_{"prodkit_probe.exe"};
    Reports reports_;
};

TEST_F(DialUp, Windows95DialsTheChosenConnection) {
    struct {
        int line;
        const char* profile;  // null: no value; "\x01": a value of no bytes
        const char* fallback;
        bool library;
        const char* result;
        const char* connection;  // null: nothing started
    } cases[] = {
        {__LINE__, "Office Line Three", "Home", true, "installed=1 dial=1", "Office Line Three"},
        {__LINE__, nullptr, "Home", true, "installed=1 dial=1", "Home"},
        {__LINE__, "\x01", "Home", true, "installed=1 dial=1", "Home"},
        {__LINE__, "", "Home", true, "installed=1 dial=1", ""},
        {__LINE__, "Work", nullptr, false, "installed=0 dial=1", "Work"},
        {__LINE__, nullptr, nullptr, true, "installed=0 dial=0", nullptr},
        {__LINE__, "\x01", "\x01", true, "installed=0 dial=0", nullptr},
    };
    SystemFiles files(reports_);
    files.place(windows_folder() + "\\rundll32.exe", child());
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        RegDeleteTreeA(HKEY_CURRENT_USER, kRemoteAccess);
        create_key(HKEY_CURRENT_USER, kRemoteAccess);
        for (auto value : {std::make_pair("InternetProfile", c.profile), std::make_pair("Default", c.fallback)}) {
            if (value.second && !strcmp(value.second, "\x01"))
                set_bytes(HKEY_CURRENT_USER, kRemoteAccess, value.first, REG_SZ, "", 0);
            else if (value.second)
                set_text(HKEY_CURRENT_USER, kRemoteAccess, value.first, value.second);
        }
        SystemFiles library(reports_);
        if (c.library)
            library.place(system_folder() + "\\rnaui.dll", child());
        ProbeRun run = dial("win95");
        EXPECT_EQ(std::string(c.result) + " timeout=1\n", run.output);
        std::vector<Report> started = reports_.all(c.connection ? 1 : 0);
        if (!c.connection) {
            EXPECT_TRUE(started.empty());
            continue;
        }
        ASSERT_EQ(1u, started.size());
        EXPECT_EQ(windows_folder() + "\\rundll32.exe " + system_folder() + "\\rnaui.dll,RnaDial " + c.connection,
                  started[0].command_line);
        reports_.end_all();
    }
    // Without the key nothing is dialed.
    RegDeleteTreeA(HKEY_CURRENT_USER, kRemoteAccess);
    EXPECT_EQ("installed=0 dial=0 timeout=1\n", dial("win95").output);
}

TEST_F(DialUp, ACommandLineThatDoesNotFitIsNotStarted) {
    SystemFiles files(reports_);
    files.place(windows_folder() + "\\rundll32.exe", child());
    std::string fixed = windows_folder() + "\\rundll32.exe " + system_folder() + "\\rnaui.dll,RnaDial ";
    size_t room = 259 - fixed.size();
    // A chosen connection that is read but does not fit never falls back to
    // the default one; 259 characters are the most a text buffer holds.
    set_text(HKEY_CURRENT_USER, kRemoteAccess, "Default", "Home");
    for (size_t length : {room, room + 1, (size_t)259}) {
        SCOPED_TRACE(length);
        std::string connection(length, 'c');
        connection[length / 2] = ' ';
        set_text(HKEY_CURRENT_USER, kRemoteAccess, "InternetProfile", connection);
        ProbeRun run = dial("win95");
        bool fits = length == room;
        EXPECT_EQ(fits ? "installed=0 dial=1 timeout=1\n" : "installed=0 dial=0 timeout=1\n", run.output);
        std::vector<Report> started = reports_.all(fits ? 1 : 0);
        ASSERT_EQ(fits ? 1u : 0u, started.size());
        if (fits) {
            EXPECT_EQ(fixed + connection, started[0].command_line);
        }
        reports_.end_all();
    }
}

TEST_F(DialUp, NtStartsThePhoneBookWhateverTheRegistrySays) {
    set_text(HKEY_CURRENT_USER, kRemoteAccess, "InternetProfile", "Ignored");
    EXPECT_EQ("installed=0 dial=1 timeout=1\n", dial("nt40").output);
    EXPECT_TRUE(reports_.all().empty());

    SystemFiles files(reports_);
    files.place(system_folder() + "\\rasphone.exe", child());
    RegDeleteTreeA(HKEY_CURRENT_USER, kRemoteAccess);
    EXPECT_EQ("installed=1 dial=1 timeout=1\n", dial("nt40").output);
    std::vector<Report> started = reports_.all(1);
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ(system_folder() + "\\rasphone.exe", started[0].command_line);
}

}  // namespace
