// hostinfo.dll on the system: its answers under each Windows version Wine
// can show, the network settings round trip on both families, the modem
// logs, the browser proxies it removes and keeps, and the browser command.
#include <gtest/gtest.h>
#include <string>
#include "hostinfo.h"
#include "registry_state.h"
#include "testkit.h"

using namespace testkit;
using namespace registry_state;

namespace {

const char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char kTcpip[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char kProduct[] = "Software\\Halvern Dynamics Limited\\Vantrel";
const char kSettings[] = "Software\\Halvern Dynamics Limited\\Vantrel\\Settings";
const char kInternet[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// One hostinfo.dll operation in the probe program, which Wine's version
// emulation can show another Windows. A probe that did not start, or did
// not end with 0, says so after its output.
std::string probe_output(const std::string& arguments) {
    ProcessResult r = run_process(bin_folder() + "\\hostinfo_probe.exe " + arguments);
    if (!r.started)
        return "(not started: error " + std::to_string(GetLastError()) + ")";
    if (r.exit_code != 0)
        r.output += "(exit code " + std::to_string(r.exit_code) + ")";
    return r.output;
}

// The probe's answer: its first line after the library's trace lines.
std::string probe(const std::string& arguments) {
    std::string output = probe_output(arguments);
    size_t start = 0;
    while (output.compare(start, 10, "hostinfo: ") == 0)
        start = output.find('\n', start) + 1;
    return output.substr(start, output.find_first_of("\r\n", start) - start);
}

TEST(Versions, AnswersUnderEachWindowsVersion) {
    struct {
        const char* version;
        const char* answers;
    } cases[] = {
        {"win95", "win95=1 valid=1 sp3=1 japan=0"},
        {"win98", "win95=1 valid=1 sp3=1 japan=0"},
        {"nt351", "win95=0 valid=1 sp3=0 japan=0"},
        // Wine's NT 4.0 emulation reports service pack 6a.
        {"nt40", "win95=0 valid=1 sp3=1 japan=0"},
        {"win2k", "win95=0 valid=1 sp3=1 japan=0"},
        {"", "win95=0 valid=1 sp3=1 japan=0"},
    };
    for (const auto& c : cases) {
        EmulatedVersion version("hostinfo_probe.exe", c.version);
        EXPECT_EQ(c.answers, probe("answers")) << c.version;
    }
    // Without emulation Wine reports the registry's NT version record, its
    // service-pack text included: NT 4.0 before and from service pack 3.
    const char kRecord[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    SavedKey record(HKEY_LOCAL_MACHINE, kRecord);
    set_text(HKEY_LOCAL_MACHINE, kRecord, "CurrentVersion", "4.0");
    set_text(HKEY_LOCAL_MACHINE, kRecord, "CurrentBuildNumber", "1381");
    struct {
        const char* csd;
        const char* answers;
    } packs[] = {
        {"", "win95=0 valid=1 sp3=0 japan=0"},
        {"Service Pack 2", "win95=0 valid=1 sp3=0 japan=0"},
        {"Service Pack 3", "win95=0 valid=1 sp3=1 japan=0"},
    };
    for (const auto& p : packs) {
        set_text(HKEY_LOCAL_MACHINE, kRecord, "CSDVersion", p.csd);
        EXPECT_EQ(p.answers, probe("answers")) << p.csd;
    }
}

std::string records(const char* prefix) {
    std::string out;
    for (const char* name : {"mtu", "rwin", "ttl"})
        out += std::to_string(number_of(HKEY_LOCAL_MACHINE, kSettings, (prefix + std::string(name)).c_str())) + " ";
    return out;
}

TEST(Network, SaveTuneAndRestoreLeaveTheMachineAsItWas) {
    struct {
        const char* version;
        const char* key;
        const char* names[3];  // MTU, receive window, time to live
    } families[] = {
        {"win95", kMstcp, {"MaxMTU", "DefaultRcvWindow", "DefaultTTL"}},
        {"nt40", kTcpip, {"MTU", "TcpWindowSize", "DefaultTTL"}},
    };
    struct {
        DWORD before[3];  // 0: not set
        const char* saved;
    } cases[] = {{{0, 0, 32}, "0 0 32 "}, {{1400, 8192, 128}, "1400 8192 128 "}};
    for (const auto& f : families) {
        for (const auto& c : cases) {
            SavedKey system(HKEY_LOCAL_MACHINE, f.key), settings(HKEY_LOCAL_MACHINE, kSettings);
            EmulatedVersion version("hostinfo_probe.exe", f.version);
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettings);
            for (int i = 0; i < 3; i++) {
                remove_value(HKEY_LOCAL_MACHINE, f.key, f.names[i]);
                // The 95 family keeps the parameters as texts, NT as numbers.
                if (c.before[i] && f.key == kMstcp)
                    set_text(HKEY_LOCAL_MACHINE, f.key, f.names[i], std::to_string(c.before[i]));
                else if (c.before[i])
                    set_number(HKEY_LOCAL_MACHINE, f.key, f.names[i], c.before[i]);
            }
            Values before = values_of(HKEY_LOCAL_MACHINE, f.key);
            std::string where = std::string(f.version) + " " + c.saved;

            EXPECT_EQ("hostinfo: save_original()\r\nsave=1\r\n", probe_output("save")) << where;
            EXPECT_EQ(c.saved, records("o_")) << where;
            EXPECT_EQ("lan=1", probe("lan 0")) << where;
            EXPECT_EQ("1500 64240 64 ", records("d_")) << where;
            EXPECT_EQ("hostinfo: set_modem_mtu(1000)\r\nmodem=1\r\n", probe_output("modem 1000")) << where;
            EXPECT_EQ("1000 15360 64 ", records("d_")) << where;
            if (f.key == kMstcp)
                EXPECT_EQ("1000", text_of(HKEY_LOCAL_MACHINE, f.key, f.names[0])) << where;
            else
                EXPECT_EQ(1000u, number_of(HKEY_LOCAL_MACHINE, f.key, f.names[0])) << where;
            // A refused MTU changes nothing.
            EXPECT_EQ("lan=0", probe("lan 67")) << where;
            EXPECT_EQ("modem=0", probe("modem -1")) << where;
            EXPECT_EQ("1000 15360 64 ", records("d_")) << where;

            EXPECT_EQ("restore=1", probe("restore")) << where;
            EXPECT_EQ(before, values_of(HKEY_LOCAL_MACHINE, f.key)) << where;
            if (f.key != kMstcp)
                continue;
            // A 95 machine without TCP/IP has nothing to tune or restore, and
            // nothing is created.
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, f.key);
            EXPECT_EQ("lan=0", probe("lan 0")) << where;
            EXPECT_EQ("restore=0", probe("restore")) << where;
            EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, f.key)) << where;
        }
    }
}

TEST(Network, ModemLoggingIsTurnedOffOnlyOnThe95Family) {
    const std::string modems = "System\\CurrentControlSet\\Services\\Class\\Modem";
    SavedKey saved(HKEY_LOCAL_MACHINE, modems);
    for (const char* version : {"nt40", "win95"}) {
        const BYTE on = 1;
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, (modems + "\\0000").c_str(), "Logging", REG_BINARY, &on, 1);
        set_text(HKEY_LOCAL_MACHINE, modems + "\\0001", "DriverDesc", "Modem");
        EmulatedVersion emulated("hostinfo_probe.exe", version);
        bool win95 = version[0] == 'w';
        EXPECT_EQ(win95 ? "modemlog=1" : "modemlog=0", probe("modemlog")) << version;
        EXPECT_EQ(std::string(1, win95 ? 0 : 1), values_of(HKEY_LOCAL_MACHINE, modems + "\\0000")["Logging"].second);
        // A modem without a log setting gets none.
        EXPECT_EQ(1u, values_of(HKEY_LOCAL_MACHINE, modems + "\\0001").size()) << version;
    }
}

TEST(Proxies, TheProductsProxyGoesAndOthersStay) {
    SavedKey internet(HKEY_CURRENT_USER, kInternet), product(HKEY_LOCAL_MACHINE, kProduct);
    char machine[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof machine;
    ASSERT_TRUE(GetComputerNameA(machine, &size));
    const std::string others = std::string(3000, 'p') + ".example.com:80";
    struct {
        int line;
        DWORD port;  // 0: the product key holds none (24491)
        std::string before, after;
        DWORD enable_after;
    } cases[] = {
        {__LINE__, 0, std::string(machine) + ":24491", "(missing)", 0},
        {__LINE__, 8080, "http=localhost:8080;" + others, others, 1},
        {__LINE__, 8080, "127.0.0.1:24491", "127.0.0.1:24491", 1},
        {__LINE__, 0, "proxy.example.com:24491", "proxy.example.com:24491", 1},
    };
    for (const auto& c : cases) {
        remove_value(HKEY_LOCAL_MACHINE, kProduct, "port");
        if (c.port)
            set_number(HKEY_LOCAL_MACHINE, kProduct, "port", c.port);
        set_text(HKEY_CURRENT_USER, kInternet, "ProxyServer", c.before);
        set_number(HKEY_CURRENT_USER, kInternet, "ProxyEnable", 1);
        EXPECT_EQ(c.before != c.after, uninstall_browser_proxies()) << "line " << c.line;
        EXPECT_EQ(c.after, text_of(HKEY_CURRENT_USER, kInternet, "ProxyServer")) << "line " << c.line;
        EXPECT_EQ(c.enable_after, number_of(HKEY_CURRENT_USER, kInternet, "ProxyEnable")) << "line " << c.line;
    }
}

TEST(Browser, CommandComesFromTheRegistrationAndNeverOverruns) {
    const std::string http = "Software\\Classes\\http\\shell\\open\\command", page = "Software\\Classes\\.htm",
                      page_class = "Software\\Classes\\vantrel.testpage";
    SavedKey saved_http(HKEY_LOCAL_MACHINE, http), saved_page(HKEY_LOCAL_MACHINE, page),
        saved_class(HKEY_LOCAL_MACHINE, page_class);
    const std::string fits = "C:\\" + std::string(256, 'b'), huge = "\"C:\\" + std::string(5000, 'b') + "\" \"%1\"";
    struct {
        int line;
        std::string http, page;  // registered commands; empty: none
        std::string expected;
    } cases[] = {
        {__LINE__, "\"C:\\Browser\\browse.exe\" -nohome \"%1\"", "pages.exe", "\"C:\\Browser\\browse.exe\" -nohome"},
        {__LINE__, "", "\"C:\\Pages\\pages.exe\" \"%1\"", "\"C:\\Pages\\pages.exe\""},
        {__LINE__, fits + " %1", "", fits},
        {__LINE__, fits + "b %1", "", "explorer.exe"},
        {__LINE__, huge, "pages.exe", "pages.exe"},
        {__LINE__, huge, "", "explorer.exe"},
    };
    for (const auto& c : cases) {
        for (const std::string& key : {http, page, page_class})
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
        if (!c.http.empty())
            set_text(HKEY_LOCAL_MACHINE, http, nullptr, c.http);
        if (!c.page.empty()) {
            set_text(HKEY_LOCAL_MACHINE, page, nullptr, "vantrel.testpage");
            set_text(HKEY_LOCAL_MACHINE, page_class + "\\shell\\open\\command", nullptr, c.page);
        }
        char buffer[260 + 16];
        memset(buffer, 0xBD, sizeof buffer);
        EXPECT_EQ(c.expected != "explorer.exe", find_default_browser(buffer)) << "line " << c.line;
        EXPECT_EQ(c.expected, std::string(buffer)) << "line " << c.line;
        EXPECT_EQ(std::string(16, (char)0xBD), std::string(buffer + 260, 16)) << "line " << c.line;
    }
    // A registration with environment references is expanded.
    std::string expandable = "%SystemRoot%\\browse.exe \"%1\"";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, http.c_str(), nullptr, REG_EXPAND_SZ, expandable.c_str(),
                    (DWORD)expandable.size() + 1);
    char windows[MAX_PATH], buffer[260];
    GetEnvironmentVariableA("SystemRoot", windows, sizeof windows);
    EXPECT_EQ(1, find_default_browser(buffer));
    EXPECT_EQ(std::string(windows) + "\\browse.exe", buffer);
    EXPECT_EQ(0, find_default_browser(nullptr));
}

}  // namespace
