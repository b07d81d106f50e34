// hostinfo.dll: its answers under each Windows version Wine can show, the
// network settings round trip on both families, the browser proxies it
// removes and keeps, and the bounds of the browser command.
#include <gtest/gtest.h>
#include <map>
#include <string>
#include "hostinfo.h"
#include "hostrules.h"
#include "testkit.h"

using namespace testkit;

namespace {

const char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char kTcpip[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char kSettings[] = "Software\\Halvern Dynamics Limited\\Vantrel\\Settings";
const char kInternet[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kHttpCommand[] = "Software\\Classes\\http\\shell\\open\\command";

typedef std::map<std::string, std::pair<DWORD, std::string>> Values;

// Every value of a key, with its type and bytes; empty when the key is missing.
Values values_of(HKEY root, const char* path) {
    Values values;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; i++) {
        char name[260], data[2048];
        DWORD name_size = sizeof name, data_size = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, (BYTE*)data, &data_size) != ERROR_SUCCESS)
            break;
        values[name] = {type, std::string(data, data_size)};
    }
    RegCloseKey(key);
    return values;
}

// A key put back exactly as it was (values only; created keys removed).
class SavedKey {
public:
    SavedKey(HKEY root, const char* path) : root_(root), path_(path) {
        HKEY key;
        existed_ = RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (existed_)
            RegCloseKey(key);
        values_ = values_of(root, path);
    }
    ~SavedKey() {
        RegDeleteTreeA(root_, path_.c_str());
        if (!existed_)
            return;
        HKEY key;
        RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        for (const auto& v : values_)
            RegSetValueExA(key, v.first.c_str(), 0, v.second.first, (const BYTE*)v.second.second.data(),
                           (DWORD)v.second.second.size());
        RegCloseKey(key);
    }

private:
    HKEY root_;
    std::string path_;
    bool existed_;
    Values values_;
};

void set_text(HKEY root, const char* path, const char* name, const std::string& text) {
    RegSetKeyValueA(root, path, name, REG_SZ, text.c_str(), (DWORD)text.size() + 1);
}

void set_number(HKEY root, const char* path, const char* name, DWORD number) {
    RegSetKeyValueA(root, path, name, REG_DWORD, &number, sizeof number);
}

std::string text_of(HKEY root, const char* path, const char* name) {
    char data[2048];
    DWORD size = sizeof data;
    if (RegGetValueA(root, path, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "(missing)";
    return data;
}

DWORD number_of(HKEY root, const char* path, const char* name) {
    DWORD number = 0xBDBDBDBD, size = sizeof number;
    RegGetValueA(root, path, name, RRF_RT_REG_DWORD, nullptr, &number, &size);
    return number;
}

// Wine's version emulation for the probe program (a Wine-only setting: on
// Windows the probe sees the real system).
class ProbeVersion {
public:
    explicit ProbeVersion(const char* version) : saved_(HKEY_CURRENT_USER, kKey) {
        if (version[0])
            set_text(HKEY_CURRENT_USER, kKey, "Version", version);
    }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\hostinfo_probe.exe";
    SavedKey saved_;
};

std::string probe(const std::string& arguments) {
    ProcessResult result = run_process(bin_folder() + "\\hostinfo_probe.exe " + arguments);
    std::string output = result.output;
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
        output.pop_back();
    return output;
}

TEST(Rules, ServicePackOfTheVersionRecord) {
    struct {
        int line;
        int platform;
        unsigned major;
        const char* text;
        int expected;
    } cases[] = {
        {__LINE__, kPlatformWindows, 4, "", 1},
        {__LINE__, kPlatformWindows, 4, " A ", 1},
        {__LINE__, kPlatformNt, 3, "Service Pack 5", 0},
        {__LINE__, kPlatformNt, 4, "", 0},
        {__LINE__, kPlatformNt, 4, "Service Pack 2", 0},
        {__LINE__, kPlatformNt, 4, "Service Pack 3", 1},
        {__LINE__, kPlatformNt, 4, "Service Pack 6a", 1},
        {__LINE__, kPlatformNt, 4, "service pack 12", 1},
        {__LINE__, kPlatformNt, 4, "Service Pack", 0},
        {__LINE__, kPlatformNt, 5, "", 1},
        {__LINE__, kPlatformWin32s, 3, "", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, has_needed_service_pack(c.platform, c.major, c.text)) << "line " << c.line;
}

TEST(Rules, OnlyTheProductsOwnProxyEntriesGo) {
    struct {
        int line;
        const char* list;
        int removed;
        const char* rest;
    } cases[] = {
        {__LINE__, "127.0.0.1:24491", 1, ""},
        {__LINE__, "LOCALHOST:24491", 1, ""},
        {__LINE__, "http=127.0.0.1:24491;ftp=proxy.example.com:8080", 1, "ftp=proxy.example.com:8080"},
        {__LINE__, "ftp=proxy.example.com:8080;http=http://localhost:24491", 1, "ftp=proxy.example.com:8080"},
        {__LINE__, "proxy.example.com:24491", 0, "proxy.example.com:24491"},
        {__LINE__, "127.0.0.1:8080", 0, "127.0.0.1:8080"},
        {__LINE__, "127.0.0.1:244910", 0, "127.0.0.1:244910"},
        {__LINE__, "127.0.0.1:", 0, "127.0.0.1:"},
        {__LINE__, "a:1;;127.0.0.1:24491;b:2", 1, "a:1;b:2"},
        {__LINE__, "", 0, ""},
    };
    for (const auto& c : cases) {
        char rest[64];
        memset(rest, 0xBD, sizeof rest);
        EXPECT_EQ(c.removed, remove_local_proxy(c.list, 24491, rest, sizeof rest)) << "line " << c.line;
        EXPECT_STREQ(c.rest, rest) << "line " << c.line;
    }
    char small[8];
    memset(small, 0xBD, sizeof small);
    EXPECT_EQ(-1, remove_local_proxy("proxy.example.com:80;localhost:24491", 24491, small, sizeof small));
    EXPECT_EQ((char)0xBD, small[0]);
}

TEST(Versions, AnswersUnderEachWindowsVersion) {
    struct {
        const char* version;
        const char* answers;
    } cases[] = {
        {"win95", "win95=1 valid=1 sp3=1 japan=0"},
        {"win98", "win95=1 valid=1 sp3=1 japan=0"},
        // Wine's NT 4.0 reports service pack 6a; an earlier pack cannot be
        // shown, so the rule itself is tested above.
        {"nt40", "win95=0 valid=1 sp3=1 japan=0"},
        {"win2k", "win95=0 valid=1 sp3=1 japan=0"},
        {"", "win95=0 valid=1 sp3=1 japan=0"},
    };
    for (const auto& c : cases) {
        ProbeVersion version(c.version);
        EXPECT_EQ(c.answers, probe("answers")) << c.version;
    }
}

TEST(Network, SaveTuneAndRestoreLeaveTheMachineAsItWas) {
    struct {
        const char* version;
        const char* key;
        const char* mtu;
        const char* ttl;
        bool texts;
    } families[] = {
        {"win95", kMstcp, "MaxMTU", "DefaultTTL", true},
        {"nt40", kTcpip, "MTU", "DefaultTTL", false},
    };
    for (const auto& f : families) {
        SavedKey system(HKEY_LOCAL_MACHINE, f.key), settings(HKEY_LOCAL_MACHINE, kSettings);
        ProbeVersion version(f.version);
        // Before: a time to live of 32 set, no MTU.
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, f.key);
        if (f.texts)
            set_text(HKEY_LOCAL_MACHINE, f.key, f.ttl, "32");
        else
            set_number(HKEY_LOCAL_MACHINE, f.key, f.ttl, 32);
        Values before = values_of(HKEY_LOCAL_MACHINE, f.key);

        EXPECT_EQ("save=1", probe("save")) << f.version;
        EXPECT_EQ(0u, number_of(HKEY_LOCAL_MACHINE, kSettings, "o_mtu")) << f.version;
        EXPECT_EQ(32u, number_of(HKEY_LOCAL_MACHINE, kSettings, "o_ttl")) << f.version;

        EXPECT_EQ("lan=1", probe("lan 0")) << f.version;
        EXPECT_EQ(1500u, number_of(HKEY_LOCAL_MACHINE, kSettings, "d_mtu")) << f.version;
        if (f.texts)
            EXPECT_EQ("1500", text_of(HKEY_LOCAL_MACHINE, f.key, f.mtu));
        else
            EXPECT_EQ(1500u, number_of(HKEY_LOCAL_MACHINE, f.key, f.mtu));
        EXPECT_EQ("modem=1", probe("modem 1000")) << f.version;
        EXPECT_EQ(1000u, number_of(HKEY_LOCAL_MACHINE, kSettings, "d_mtu")) << f.version;
        EXPECT_NE(before, values_of(HKEY_LOCAL_MACHINE, f.key)) << f.version;

        EXPECT_EQ("restore=1", probe("restore")) << f.version;
        EXPECT_EQ(before, values_of(HKEY_LOCAL_MACHINE, f.key)) << f.version;
    }
}

TEST(Network, ModemLoggingIsTurnedOffOnlyOnThe95Family) {
    const char kModem[] = "System\\CurrentControlSet\\Services\\Class\\Modem";
    SavedKey modems(HKEY_LOCAL_MACHINE, kModem);
    std::string first = std::string(kModem) + "\\0000";
    BYTE on = 1;
    for (const char* version : {"nt40", "win95"}) {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, first.c_str(), "Logging", REG_BINARY, &on, 1);
        ProbeVersion emulated(version);
        probe("modemlog");
        BYTE logging = 0xBD;
        DWORD size = 1;
        RegGetValueA(HKEY_LOCAL_MACHINE, first.c_str(), "Logging", RRF_RT_REG_BINARY, nullptr, &logging, &size);
        EXPECT_EQ(strcmp(version, "win95") == 0 ? 0 : 1, logging) << version;
    }
}

TEST(Proxies, TheProductsProxyGoesAndOthersStay) {
    SavedKey internet(HKEY_CURRENT_USER, kInternet), product(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited\\Vantrel");
    struct {
        int line;
        DWORD port;  // 0: the product key holds none
        const char* before;
        const char* after;
        DWORD enable_after;
    } cases[] = {
        {__LINE__, 0, "127.0.0.1:24491", "(missing)", 0},
        {__LINE__, 8080, "http=localhost:8080;ftp=ftp.example.com:21", "ftp=ftp.example.com:21", 1},
        {__LINE__, 8080, "127.0.0.1:24491", "127.0.0.1:24491", 1},
        {__LINE__, 0, "proxy.example.com:3128", "proxy.example.com:3128", 1},
    };
    for (const auto& c : cases) {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited\\Vantrel", "port");
        if (c.port)
            set_number(HKEY_LOCAL_MACHINE, "Software\\Halvern Dynamics Limited\\Vantrel", "port", c.port);
        set_text(HKEY_CURRENT_USER, kInternet, "ProxyServer", c.before);
        set_number(HKEY_CURRENT_USER, kInternet, "ProxyEnable", 1);
        uninstall_browser_proxies();
        EXPECT_EQ(c.after, text_of(HKEY_CURRENT_USER, kInternet, "ProxyServer")) << "line " << c.line;
        EXPECT_EQ(c.enable_after, number_of(HKEY_CURRENT_USER, kInternet, "ProxyEnable")) << "line " << c.line;
    }
}

TEST(Browser, CommandIsTheProgramPartAndNeverOverruns) {
    SavedKey http(HKEY_LOCAL_MACHINE, kHttpCommand);
    std::string long_path = "\"C:\\" + std::string(400, 'b') + "\\browser.exe\" \"%1\"";
    struct {
        int line;
        std::string registered;  // empty: no registration
        std::string expected;
        int result;
    } cases[] = {
        {__LINE__, "\"C:\\Program Files\\Browser\\browse.exe\" -nohome \"%1\"", "\"C:\\Program Files\\Browser\\browse.exe\"", 1},
        {__LINE__, "C:\\Program Files\\Browser\\BROWSE.EXE -nohome", "C:\\Program Files\\Browser\\BROWSE.EXE", 1},
        {__LINE__, "browse %1", "browse", 1},
        {__LINE__, long_path, "explorer.exe", 0},
        {__LINE__, "", "explorer.exe", 0},
    };
    for (const auto& c : cases) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kHttpCommand);
        if (!c.registered.empty())
            set_text(HKEY_LOCAL_MACHINE, kHttpCommand, nullptr, c.registered);
        char buffer[260 + 16];
        memset(buffer, 0xBD, sizeof buffer);
        EXPECT_EQ(c.result, find_default_browser(buffer)) << "line " << c.line;
        EXPECT_EQ(c.expected, std::string(buffer)) << "line " << c.line;
        for (size_t i = 260; i < sizeof buffer; i++)
            ASSERT_EQ((char)0xBD, buffer[i]) << "line " << c.line;
    }
}

}  // namespace
