// The host information library's decisions on texts: service packs, proxy
// lists, browser commands and the tuning of each connection.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "hostrules.h"
#include "netparams.h"

namespace {

TEST(Rules, ServicePackOfTheVersionRecord) {
    struct {
        int line, platform;
        unsigned major;
        const char* text;
        int expected;
    } cases[] = {
        {__LINE__, kPlatformWindows, 4, " A ", 1},
        {__LINE__, kPlatformNt, 3, "Service Pack 5", 0},
        {__LINE__, kPlatformNt, 4, nullptr, 0},
        {__LINE__, kPlatformNt, 4, "Service Pack 2", 0},
        {__LINE__, kPlatformNt, 4, "Service Pack 3", 1},
        {__LINE__, kPlatformNt, 4, "service pack 12", 1},
        {__LINE__, kPlatformNt, 4, "Service Pack 6a", 1},
        {__LINE__, kPlatformNt, 4, "Service Pack x3", 0},
        {__LINE__, kPlatformNt, 5, "", 1},
        {__LINE__, kPlatformWin32s, 3, "", 0},
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
        {__LINE__, "LOCALHOST:24491", 1, ""},
        {__LINE__, " http = http://Office-PC:24491 ", 1, ""},
        {__LINE__, "ftp=proxy.example.com:8080;http=127.0.0.1:24491", 1, "ftp=proxy.example.com:8080"},
        {__LINE__, "a:1;;localhost:24491;b:2", 1, "a:1;b:2"},
        {__LINE__, "proxy.example.com:24491", 0, "proxy.example.com:24491"},
        {__LINE__, "office-pc2:24491", 0, "office-pc2:24491"},
        {__LINE__, "127.0.0.1:244910", 0, "127.0.0.1:244910"},
        {__LINE__, "127.0.0.1:", 0, "127.0.0.1:"},
    };
    for (const auto& c : cases) {
        char rest[64];
        memset(rest, 0xBD, sizeof rest);
        EXPECT_EQ(c.removed, remove_local_proxy(c.list, 24491, "office-pc", rest, sizeof rest)) << "line " << c.line;
        EXPECT_STREQ(c.rest, rest) << "line " << c.line;
    }
    char small[8];
    memset(small, 0xBD, sizeof small);
    EXPECT_EQ(-1, remove_local_proxy("proxy.example.com:80;localhost:24491", 24491, nullptr, small, sizeof small));
    EXPECT_EQ((char)0xBD, small[0]);
}

TEST(Rules, BrowserCommandEndsBeforeTheAddress) {
    const std::string fits(259, 'b'), too_long(260, 'b');
    struct {
        int line;
        std::string registered;
        const char* expected;  // the buffer afterwards
    } cases[] = {
        {__LINE__, "\"C:\\Browser\\browse.exe\" -nohome \"%1\"", "\"C:\\Browser\\browse.exe\" -nohome"},
        {__LINE__, "rundll32.exe url.dll,FileProtocolHandler %1", "rundll32.exe url.dll,FileProtocolHandler"},
        {__LINE__, "  browse.exe %L -new", "browse.exe"},
        {__LINE__, "\"%1\"", "untouched"},
        {__LINE__, "   ", "untouched"},
        {__LINE__, fits + " \"%1\"", fits.c_str()},
        {__LINE__, too_long, "untouched"},
    };
    for (const auto& c : cases) {
        char out[260 + 8];
        memset(out, 0xBD, sizeof out);
        strcpy(out, "untouched");
        EXPECT_EQ(strcmp(c.expected, "untouched") != 0, browser_command(c.registered.c_str(), out, 260))
            << "line " << c.line;
        EXPECT_STREQ(c.expected, out) << "line " << c.line;
        EXPECT_EQ((char)0xBD, out[260]) << "line " << c.line;
    }
}

TEST(Rules, TuningForEachConnection) {
    struct {
        int line, lan;
        unsigned long mtu;
        int result;
        unsigned long mtu_after, window;
    } cases[] = {
        {__LINE__, 1, 0, 1, 1500, 64240},
        {__LINE__, 0, 0, 1, 576, 8576},
        // The window stays within 65535 bytes, in whole segments.
        {__LINE__, 1, 9000, 1, 9000, 62720},
        {__LINE__, 0, 68, 1, 68, 448},
        {__LINE__, 1, 67, 0, 0, 0},
        {__LINE__, 0, 65536, 0, 0, 0},
    };
    for (const auto& c : cases) {
        NetTuning tuning = {{0xBD, 0xBD, 0xBD}};
        EXPECT_EQ(c.result, c.lan ? lan_tuning(c.mtu, &tuning) : modem_tuning(c.mtu, &tuning)) << "line " << c.line;
        EXPECT_EQ(c.result ? c.mtu_after : 0xBD, tuning.value[kMtu]) << "line " << c.line;
        EXPECT_EQ(c.result ? c.window : 0xBD, tuning.value[kReceiveWindow]) << "line " << c.line;
        EXPECT_EQ(c.result ? 64u : 0xBDu, tuning.value[kTimeToLive]) << "line " << c.line;
    }
}

}  // namespace
