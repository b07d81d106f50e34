// The kit's small file icons and its own copies of the registry key class
// and the splash.
#include <gtest/gtest.h>
#include "kit_testing.h"
#include "prodkit.h"

using namespace testkit;
using namespace kit_testing;

namespace {

const char kTestKey[] = "Software\\Vantrel kit tests";

TEST(SmallFileIcon, ForAFileAndNotForAnUnknownType) {
    std::string program = bin_folder() + "\\kit_child.exe";
    HICON icon = get_small_file_icon(&program[0]);
    EXPECT_TRUE(icon);
    if (icon)
        DestroyIcon(icon);
    char unknown[] = "C:\\no such folder\\nothing.vantrelnotype";
    EXPECT_EQ(nullptr, get_small_file_icon(unknown));
}

class KitRegKey : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
};

TEST_F(KitRegKey, RemoveDeletesOneValueAndKeepsTheKey) {
    kRegKey key;
    char none[] = "kept";
    EXPECT_EQ(0, key.remove(none)) << "no key held";
    ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, (char*)kTestKey));
    char name[] = "gone", kept[] = "kept", text[] = "value", sub[] = "Software\\Vantrel kit tests\\child";
    ASSERT_EQ(1, key.set(name, text));
    ASSERT_EQ(1, key.set(kept, 7ul));
    create_key(HKEY_CURRENT_USER, sub);
    set_text(HKEY_CURRENT_USER, kTestKey, "", "default");

    EXPECT_EQ(1, key.remove(name));
    char buffer[16];
    EXPECT_EQ(0, key.get(name, buffer, sizeof buffer));
    EXPECT_EQ(0, key.remove(name)) << "already gone";
    unsigned long number = 0;
    EXPECT_EQ(1, key.get(kept, &number));
    EXPECT_EQ(7ul, number);
    EXPECT_EQ(1ul, key.children());
    EXPECT_TRUE(key.getkey());

    EXPECT_EQ(1, key.remove(nullptr)) << "the default value";
    EXPECT_EQ(0, key.get(nullptr, buffer, sizeof buffer));
    EXPECT_EQ(1ul, key.values());
}

TEST_F(KitRegKey, TextValuesAreStoredAsSetupStoresThem) {
    // Also double-byte text of code page 932 (the test runs a second time
    // under a Japanese locale), a lead byte last of all included.
    TempDir dir("kitregtext");
    for (std::string text : {"Vantrel", "", "C:\\Program Files\\Vantrel", "\x83\x65\x83\x58\x83\x67",
                             "ab\x83"}) {
        SCOPED_TRACE(text);
        {
            kRegKey key;
            ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, (char*)kTestKey));
            char name[] = "kit";
            ASSERT_EQ(1, key.set(name, &text[0]));
        }
        ASSERT_TRUE(write_file(dir / "text", text));
        ProcessResult setup =
            run_process(bin_folder() + "\\setup_key_writer.exe \"" + kTestKey + "\" setup \"" + (dir / "text") + "\"");
        ASSERT_EQ(0u, setup.exit_code) << setup.output;
        DWORD kit_size = 0, setup_size = 0, kit_type = 0, setup_type = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, kTestKey, "kit", RRF_RT_ANY | RRF_NOEXPAND,
                                              &kit_type, nullptr, &kit_size));
        ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, kTestKey, "setup", RRF_RT_ANY | RRF_NOEXPAND,
                                              &setup_type, nullptr, &setup_size));
        EXPECT_EQ(setup_size, kit_size);
        EXPECT_EQ(text.size() + 1, kit_size);
        EXPECT_EQ((DWORD)REG_SZ, kit_type);
        EXPECT_EQ(setup_type, kit_type);
    }
}

// The test program's own bitmap resources (prodkit_tests.rc).
enum { kSingleBitmap = 100 };

TEST(KitSplash, ShowsAndHidesFromItsOwnState) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    EXPECT_EQ(nullptr, Splash(0, module)) << "hiding with nothing shown";
    HWND shown = Splash(1, module, kSingleBitmap);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown, FindWindowA("InstallSplashClass", nullptr));
    EXPECT_EQ(shown, Splash(1, module, kSingleBitmap)) << "a second show starts nothing";
    EXPECT_EQ(nullptr, Splash(0, module, kSingleBitmap));
    EXPECT_FALSE(IsWindow(shown));

    shown = Splash(1, module);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown, FindWindowA("InstallSplashClass", nullptr));
    EXPECT_EQ(nullptr, Splash(0, module));
    EXPECT_FALSE(IsWindow(shown));

    EXPECT_EQ(nullptr, Splash(1, module, 4321)) << "no such bitmap";
    logprintf((char*)"nothing is recorded: %d\n", 1);
}

}  // namespace
