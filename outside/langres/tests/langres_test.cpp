// langres.dll: its strings, its dialog templates with the controls the
// dialog procedures use, and its splash pictures.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "testkit.h"
#include "window.h"
#include <commctrl.h>

using namespace testkit;

namespace {

class Library {
public:
    Library() : module_(LoadLibraryA((bin_folder() + "\\langres.dll").c_str())) {}
    ~Library() {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE module() const { return module_; }

private:
    HMODULE module_;
};

enum Kind { kPush, kDefPush, kCheck, kRadio, kEdit, kStatic, kProgress, kOther };

struct Control {
    int id;
    Kind kind;
};

struct Template {
    std::string caption;
    short cx = 0, cy = 0;
    std::vector<Control> controls;
};

const WORD* skip_text_or_ordinal(const WORD* at) {
    if (*at == 0xFFFF)
        return at + 2;
    while (*at++)
        ;
    return at;
}

std::string narrow(const WORD* at) {
    std::string text;
    while (*at)
        text += (char)*at++;
    return text;
}

Kind kind_of(const WORD* class_field, DWORD style) {
    if (class_field[0] == 0xFFFF) {
        switch (class_field[1]) {
        case 0x80:
            switch (style & 0x0F) {
            case BS_PUSHBUTTON: return kPush;
            case BS_DEFPUSHBUTTON: return kDefPush;
            case BS_AUTOCHECKBOX: return kCheck;
            case BS_AUTORADIOBUTTON: return kRadio;
            }
            return kOther;
        case 0x81: return kEdit;
        case 0x82: return kStatic;
        }
        return kOther;
    }
    return _stricmp(narrow(class_field).c_str(), PROGRESS_CLASSA) == 0 ? kProgress : kOther;
}

// Reads a DIALOG template (the form the resource compiler writes).
bool read_template(HMODULE module, int id, Template* out) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    if (!found)
        return false;
    const DLGTEMPLATE* dialog = (const DLGTEMPLATE*)LockResource(LoadResource(module, found));
    out->cx = dialog->cx;
    out->cy = dialog->cy;
    const WORD* at = (const WORD*)(dialog + 1);
    at = skip_text_or_ordinal(at);  // menu
    at = skip_text_or_ordinal(at);  // class
    out->caption = narrow(at);
    at = skip_text_or_ordinal(at);
    if (dialog->style & DS_SETFONT)
        at = skip_text_or_ordinal(at + 1);
    for (int i = 0; i < dialog->cdit; i++) {
        at = (const WORD*)(((ULONG_PTR)at + 3) & ~(ULONG_PTR)3);
        const DLGITEMTEMPLATE* item = (const DLGITEMTEMPLATE*)at;
        const WORD* class_field = (const WORD*)(item + 1);
        out->controls.push_back({item->id, kind_of(class_field, item->style)});
        at = skip_text_or_ordinal(class_field);
        at = skip_text_or_ordinal(at);  // title
        at = (const WORD*)((const BYTE*)(at + 1) + *at);  // creation data
    }
    return true;
}

TEST(Strings, EveryTextIsThereAndShorterThan260) {
    Library library;
    ASSERT_TRUE(library.module());
    const int ids[] = {1036, 1051, 1052, 1055, 1056, 1076, 1082, 1120, 1141, 1142, 1143, 1144, 1145, 1146,
                       1221, 1500, 1514, 1519};
    for (int id : ids) {
        char text[1024];
        int length = LoadStringA(library.module(), id, text, sizeof text);
        EXPECT_GT(length, 0) << id;
        EXPECT_LT(length, 260) << id;
    }
}

TEST(Strings, NamesThatMustAgree) {
    Library library;
    struct {
        int id;
        const char* text;
    } cases[] = {
        // The 95 family's Start-menu folder is named after the product at
        // install and removed by string 1120 at uninstall.
        {1120, "Vantrel"}, {1500, "Vantrel"}, {1036, "Program Files\\Vantrel"}, {1076, "Uninstall"},
        {1052, "Vantr"},
    };
    for (const auto& c : cases) {
        char text[1024] = "";
        LoadStringA(library.module(), c.id, text, sizeof text);
        EXPECT_STREQ(c.text, text) << c.id;
    }
}

TEST(Templates, EachHasTheControlsItsProcedureUses) {
    Library library;
    struct {
        int id;
        std::vector<Control> controls;
    } cases[] = {
        {5000, {{1, kDefPush}, {2, kPush}}},
        {5001, {{100, kEdit}, {101, kPush}, {1, kDefPush}, {2, kPush}}},
        {5002, {{100, kProgress}, {101, kStatic}}},
        {5003, {{1, kDefPush}}},
        {5004, {{100, kEdit}, {1, kDefPush}, {2, kPush}}},
        {5005, {{1, kDefPush}, {2, kPush}}},
        {5006, {{100, kStatic}, {1, kDefPush}, {2, kPush}}},
        {5007, {{1, kPush}, {2, kDefPush}}},
        {5011, {}},
        {5014, {{110, kCheck}, {112, kCheck}, {1, kDefPush}, {2, kPush}, {111, kPush}, {113, kPush}}},
        {5015, {{100, kRadio}, {101, kRadio}, {102, kCheck}, {1, kDefPush}, {2, kPush}}},
    };
    for (const auto& c : cases) {
        Template found;
        ASSERT_TRUE(read_template(library.module(), c.id, &found)) << c.id;
        EXPECT_FALSE(found.caption.empty()) << c.id;
        for (const Control& wanted : c.controls) {
            bool seen = false;
            for (const Control& control : found.controls)
                seen |= control.id == wanted.id && control.kind == wanted.kind;
            EXPECT_TRUE(seen) << "template " << c.id << " control " << wanted.id;
        }
        // Each can be made into a dialog (a modeless one here).
        HWND dialog = CreateDialogParamA(library.module(), MAKEINTRESOURCEA(c.id), nullptr,
                                         [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        EXPECT_TRUE(dialog) << c.id;
        if (dialog)
            DestroyWindow(dialog);
    }
}

TEST(Templates, VerifyUninstallReadsAsTheInstallerDescribesIt) {
    Library library;
    Template found;
    ASSERT_TRUE(read_template(library.module(), 5006, &found));
    EXPECT_EQ("Verify Uninstall", found.caption);
    EXPECT_EQ(260, found.cx);
    EXPECT_EQ(71, found.cy);
    HWND dialog = CreateDialogParamA(library.module(), MAKEINTRESOURCEA(5006), nullptr,
                                     [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_TRUE(dialog);
    EXPECT_EQ("Are you sure you want to remove this version of this product?  If not, press \"Cancel.\"  "
              "Otherwise, press \"OK\" to continue.",
              control_text(dialog, 100));
    DestroyWindow(dialog);
}

TEST(Splash, ShowsItsThreePictures) {
    Library library;
    for (int id : {2900, 2901, 2902}) {
        HRSRC found = FindResourceA(library.module(), MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
        ASSERT_TRUE(found) << id;
        const BITMAPINFOHEADER* header = (const BITMAPINFOHEADER*)LockResource(LoadResource(library.module(), found));
        EXPECT_EQ(8, header->biBitCount) << id;
        EXPECT_EQ((DWORD)BI_RGB, header->biCompression) << id;
    }
    HWND splash = Splash(1, library.module());
    ASSERT_TRUE(splash);
    Sleep(500);
    EXPECT_TRUE(save_png(splash, bin_folder() + "\\langres_splash.png"));
    EXPECT_EQ(nullptr, Splash(0, nullptr));
}

}  // namespace
