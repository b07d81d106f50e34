// The dialog runner, the restart query and the insert-disc query, with real
// dialogs driven from a second thread.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <thread>
#include <vector>
#include "dialogs.h"
#include <commctrl.h>
#include "testkit.h"
#include <shellapi.h>

using namespace testkit;

namespace {

int pre_result;
int post_result;
int post_calls;
int pre_calls;
unsigned long seen_context;
HINSTANCE other_module;

int __stdcall Pre(SetupInfo*, unsigned long context) {
    pre_calls++;
    seen_context = context;
    return pre_result;
}

int __stdcall Post(SetupInfo*, unsigned long context) {
    post_calls++;
    seen_context = context;
    return post_result;
}

int __stdcall PreFromOtherModule(SetupInfo* info, unsigned long) {
    pre_calls++;
    info->dialog_instance = other_module;
    return 0;
}

INT_PTR CALLBACK ends_with_command(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_COMMAND) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

class DialogRunner : public ::testing::Test {
protected:
    void SetUp() override {
        pre_result = post_result = post_calls = pre_calls = 0;
        seen_context = 0;
        info.instance = GetModuleHandleA(nullptr);
        info.hook_context = 0;
    }
    void TearDown() override {
        if (driver.joinable())
            driver.join();
    }
    // Waits for the dialog with caption, then presses button id in it.
    void answer(const char* caption, int id, HWND* seen = nullptr) {
        driver = std::thread([=] {
            HWND dialog = wait_dialog(caption);
            if (seen)
                *seen = dialog;
            if (dialog)
                press(dialog, id);
        });
    }
    int run(StageHook pre, StageHook post, HINSTANCE module, DLGPROC proc, unsigned long id) {
        return run_dialog(&info, pre, post, module, proc, id);
    }

    SetupInfo info;
    std::thread driver;
};

}  // namespace

TEST_F(DialogRunner, PreHookSkipsDialogAndPostHook) {
    for (int skip : {1, 2, -1, -2, -7}) {
        SCOPED_TRACE(skip);
        pre_result = skip;
        EXPECT_EQ(skip, run(Pre, Post, info.instance, generic_dialog_proc, kWelcomeDialog));
        EXPECT_EQ(0, post_calls);
        EXPECT_EQ(nullptr, FindWindowA("#32770", "Welcome to Lumendisc"));
    }
}

TEST_F(DialogRunner, OkGivesThePostResult) {
    info.hook_context = 0x5eed;
    post_result = 7;
    HWND shown = nullptr;
    answer("Welcome to Lumendisc", 1, &shown);
    EXPECT_EQ(7, run(Pre, Post, info.instance, generic_dialog_proc, kWelcomeDialog));
    EXPECT_NE(nullptr, shown);
    EXPECT_EQ(1, pre_calls);
    EXPECT_EQ(1, post_calls);
    EXPECT_EQ(0x5eedul, seen_context);
    EXPECT_EQ(kWelcomeDialog, (int)info.dialog_id);
    EXPECT_EQ(info.instance, info.dialog_instance);
}

TEST_F(DialogRunner, OkWithoutPostHookGivesZero) {
    answer("Complete", 1);
    EXPECT_EQ(0, run(nullptr, nullptr, info.instance, generic_dialog_proc, kCompleteDialog));
}

TEST_F(DialogRunner, CancelAndCloseGiveMinusTwo) {
    answer("Previous Version", 2);
    EXPECT_EQ(-2, run(Pre, Post, info.instance, generic_dialog_proc, kOldVersionDialog));
    EXPECT_EQ(0, post_calls);
    driver.join();
    driver = std::thread([] {
        HWND dialog = wait_dialog("Welcome to Lumendisc");
        if (dialog)
            PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(-2, run(Pre, Post, info.instance, generic_dialog_proc, kWelcomeDialog));
}

TEST_F(DialogRunner, OtherEndValuesGiveMinusOne) {
    other_module = LoadLibraryA("testres.dll");
    ASSERT_NE(nullptr, other_module);
    answer("Odd ending", 6);
    EXPECT_EQ(-1, run(Pre, Post, other_module, ends_with_command, 5099));
    EXPECT_EQ(0, post_calls);
    driver.join();
    FreeLibrary(other_module);
}

TEST_F(DialogRunner, PreHookMayTakeTheTemplateFromAnotherModule) {
    other_module = LoadLibraryA("testres.dll");
    ASSERT_NE(nullptr, other_module);
    post_result = 3;
    HWND shown = nullptr;
    answer("Welcome from another module", 1, &shown);
    EXPECT_EQ(3, run(PreFromOtherModule, Post, info.instance, generic_dialog_proc, kWelcomeDialog));
    EXPECT_NE(nullptr, shown);
    EXPECT_EQ(other_module, info.dialog_instance);
    driver.join();
    FreeLibrary(other_module);
}

TEST_F(DialogRunner, MissingTemplateFails) {
    EXPECT_EQ(-1, run(Pre, Post, info.instance, generic_dialog_proc, kVerifyUninstallDialog));
    EXPECT_EQ(0, post_calls);
}

TEST_F(DialogRunner, EngineTemplatesCarryTheirTexts) {
    HWND shown = nullptr;
    std::string text, start;
    driver = std::thread([&] {
        shown = wait_dialog("Restart");
        if (!shown)
            return;
        text = control_text(shown, 200);
        start = control_text(shown, 1);
        press(shown, 2);
    });
    EXPECT_EQ(-2, run(nullptr, nullptr, info.instance, generic_dialog_proc, kRestartDialog));
    driver.join();
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ("Your computer needs to be restarted before your changes will take effect.  Press \"OK\" to "
              "restart now.  If you press \"Cancel\", the changes will not take effect until your restart "
              "your computer.",
              text);
    EXPECT_EQ("OK", start);
}

TEST_F(DialogRunner, QueryRestartRestartsOnlyAfterOk) {
    info.RestartPre = Pre;
    pre_result = 2;
    EXPECT_EQ(0, info.QueryRestart(EWX_REBOOT));
    EXPECT_EQ(1, pre_calls);
    pre_result = 0;
    answer("Restart", 2);
    EXPECT_EQ(0, info.QueryRestart(EWX_REBOOT));
}

// A progress bar that records the messages the copy stage's calls send it.
class CopyProgress : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 240, 12, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(bar);
        original = (WNDPROC)SetWindowLongPtrA(bar, GWLP_WNDPROC, (LONG_PTR)recorder);
        sent.clear();
    }
    void TearDown() override { DestroyWindow(bar); }

    void range(unsigned long steps) {
        recording = true;
        set_progress_range(bar, steps);
        recording = false;
    }
    // The bar's position after the call.
    unsigned long position(unsigned long step, unsigned long steps) {
        recording = true;
        set_progress_position(bar, step, steps);
        recording = false;
        return (unsigned long)SendMessageA(bar, PBM_GETPOS, 0, 0);
    }

    static LRESULT CALLBACK recorder(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (recording && message >= WM_USER)
            sent.push_back(message);
        return CallWindowProcA(original, window, message, wparam, lparam);
    }

    HWND bar = nullptr;
    static WNDPROC original;
    static bool recording;
    static std::vector<UINT> sent;
};

WNDPROC CopyProgress::original;
bool CopyProgress::recording;
std::vector<UINT> CopyProgress::sent;

// Windows 95's own progress bar knows PBM_SETRANGE to PBM_STEPIT, with a
// 16-bit range; PBM_SETRANGE32 came with Internet Explorer 3 and is ignored
// there (the bar keeps 0..100). Wine knows both, so the messages are checked.
TEST_F(CopyProgress, KeepsToTheMessagesAndRangeOfWindows95) {
    struct {
        int line;
        unsigned long steps;
    } cases[] = {
        {__LINE__, 1}, {__LINE__, 51}, {__LINE__, 65535}, {__LINE__, 65536}, {__LINE__, 200001}, {__LINE__, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        range(c.steps);
        unsigned long top = (unsigned long)SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
        EXPECT_EQ(0, SendMessageA(bar, PBM_GETRANGE, TRUE, 0));
        if (c.steps <= 65535) {
            EXPECT_EQ(c.steps, top);
        } else {
            EXPECT_LE(top, 65535u);
            EXPECT_GE(top, 32768u) << "the bar keeps its resolution";
        }
        unsigned long before = 0;
        for (unsigned long step : {0ul, c.steps / 2, c.steps - 1, c.steps}) {
            unsigned long at = position(step, c.steps);
            if (c.steps <= 65535) {
                EXPECT_EQ(step, at);
            }
            EXPECT_LE(before, at) << step;
            before = at;
        }
        EXPECT_EQ(top, before) << "the last step fills the bar";
        for (UINT message : sent)
            EXPECT_TRUE(message >= PBM_SETRANGE && message <= PBM_STEPIT) << "message " << message;
        sent.clear();
    }
}

class InsertDisc : public DialogRunner {
protected:
    void SetUp() override {
        DialogRunner::SetUp();
        ASSERT_TRUE(CdDrive::ready()) << "the test prefix's R: drive carries " << CdDrive::label();
        info.disc_labels.append(new kString((char*)"OTHER_DISC"));
        info.disc_prompt.set("Please insert the Vantrel disc.");
    }
    void accept(const char* label) { info.disc_labels.append(new kString((char*)label)); }
};

TEST_F(InsertDisc, DiscAlreadyInTheDriveNeedsNoDialog) {
    accept(CdDrive::label());
    info.InsertDiscPre = Pre;
    EXPECT_EQ(CdDrive::index(), info.QueryInsertDisc(info.instance));
    EXPECT_EQ(CdDrive::index(), info.disc_drive);
    EXPECT_EQ(0, pre_calls);
}

// The disc in the drive becomes the right one while the dialog polls: the
// emulated drive's label cannot change under Wine, so the accepted labels do.
TEST_F(InsertDisc, DialogPollsUntilTheDiscIsThere) {
    std::string prompt;
    driver = std::thread([&] {
        HWND dialog = wait_dialog("Insert Disc");
        if (!dialog)
            return;
        prompt = control_text(dialog, 100);
        Sleep(1500);  // a tick or two without the disc
        accept(CdDrive::label());
    });
    info.InsertDiscPost = Post;
    post_result = 0;
    EXPECT_EQ(CdDrive::index(), info.QueryInsertDisc(info.instance));
    EXPECT_EQ(1, post_calls);
    driver.join();
    EXPECT_EQ("Please insert the Vantrel disc.", prompt);
    EXPECT_TRUE(wait_dialog_gone("Insert Disc"));
}

TEST_F(InsertDisc, LabelsMatchExactlyAndCancelGivesMinusOne) {
    std::string lower = CdDrive::label();
    for (char& c : lower)
        c = (char)tolower(c);
    accept(lower.c_str());
    answer("Insert Disc", 2);
    EXPECT_EQ(-1, info.QueryInsertDisc(info.instance));
    EXPECT_EQ(-1, info.disc_drive);
}

TEST_F(InsertDisc, SkippedDialogGivesTheDriveAsItStands) {
    info.InsertDiscPre = Pre;
    pre_result = 1;
    EXPECT_EQ(-1, info.QueryInsertDisc(info.instance));
    pre_result = -2;
    EXPECT_EQ(-1, info.QueryInsertDisc(info.instance));
}

TEST(LoadText, TextsOf260CharactersOrMoreCountAsMissing) {
    HMODULE module = LoadLibraryA("testres.dll");
    ASSERT_NE(nullptr, module);
    struct {
        int line;
        unsigned int id;
        int taken;
        std::string expected;
    } cases[] = {
        {__LINE__, 7001, 1, "short"},
        {__LINE__, 7259, 1, std::string(259, 'a')},
        {__LINE__, 7260, 0, "fallback"},
        {__LINE__, 7300, 0, "fallback"},
        {__LINE__, 7999, 0, "fallback"},
    };
    for (const auto& c : cases) {
        char out[260 + 8];
        memset(out, 0xBD, sizeof out);
        EXPECT_EQ(c.taken, load_text(module, c.id, out, "fallback")) << "line " << c.line;
        EXPECT_EQ(c.expected, std::string(out)) << "line " << c.line;
        EXPECT_EQ((char)0xBD, out[260]) << "line " << c.line;
    }
    FreeLibrary(module);
}

TEST(Icons, SetupCarriesTheProgramsAndTheUninstallIcon) {
    EXPECT_EQ(2u, ExtractIconExA((bin_folder() + "\\setup.exe").c_str(), -1, nullptr, nullptr, 0));
    HICON uninstall = nullptr;
    EXPECT_EQ(1u, ExtractIconExA((bin_folder() + "\\setup.exe").c_str(), 1, &uninstall, nullptr, 1));
    if (uninstall)
        DestroyIcon(uninstall);
}
