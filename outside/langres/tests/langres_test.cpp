// langres.dll: its strings, its dialog templates with the controls the
// dialog procedures use, and its splash pictures on the screen.
#include <gtest/gtest.h>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>
#include "testkit.h"
#include "window.h"
#include <commctrl.h>

using namespace testkit;

namespace {

class Library {
public:
    // The progress bar's class comes with the common controls library.
    Library() : module_(LoadLibraryA((bin_folder() + "\\langres.dll").c_str())) { InitCommonControls(); }
    ~Library() {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE module() const { return module_; }

private:
    HMODULE module_;
};

std::string load_text(HMODULE module, int id) {
    char text[1024] = "";
    LoadStringA(module, id, text, sizeof text);
    return text;
}

// ---- dialog templates -------------------------------------------------------

enum Kind { kPush, kDefPush, kCheck, kRadio, kEdit, kStatic, kProgress, kOther };

struct Control {
    int id;
    Kind kind;
    DWORD style;  // bits the control must carry (found) or needs (wanted)
};

struct Template {
    std::string caption;
    DWORD style = 0;
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
    if (class_field[0] != 0xFFFF)
        return _stricmp(narrow(class_field).c_str(), PROGRESS_CLASSA) == 0 ? kProgress : kOther;
    switch (class_field[1]) {
    case 0x80:
        switch (style & BS_TYPEMASK) {
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

// Reads a DIALOG template, the form the resource compiler writes.
bool read_template(HMODULE module, int id, Template* out) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    if (!found)
        return false;
    const DLGTEMPLATE* dialog = (const DLGTEMPLATE*)LockResource(LoadResource(module, found));
    if (!dialog || HIWORD(dialog->style) == 0xFFFF)  // not a DLGTEMPLATEEX
        return false;
    out->style = dialog->style;
    out->cx = dialog->cx;
    out->cy = dialog->cy;
    const WORD* at = (const WORD*)(dialog + 1);
    at = skip_text_or_ordinal(at);  // menu
    at = skip_text_or_ordinal(at);  // class
    out->caption = narrow(at);
    at = skip_text_or_ordinal(at);
    if (dialog->style & DS_SETFONT)
        at = skip_text_or_ordinal(at + 1);  // point size, face name
    for (int i = 0; i < dialog->cdit; i++) {
        at = (const WORD*)(((ULONG_PTR)at + 3) & ~(ULONG_PTR)3);
        const DLGITEMTEMPLATE* item = (const DLGITEMTEMPLATE*)at;
        const WORD* class_field = (const WORD*)(item + 1);
        out->controls.push_back({item->id, kind_of(class_field, item->style), item->style});
        at = skip_text_or_ordinal(class_field);
        at = skip_text_or_ordinal(at);                     // title
        at = (const WORD*)((const BYTE*)(at + 1) + *at);  // creation data
    }
    return true;
}

INT_PTR CALLBACK ignore_all(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A dialog made from the library's template, destroyed when the object goes.
class Dialog {
public:
    Dialog(HMODULE module, int id)
        : window_(CreateDialogParamA(module, MAKEINTRESOURCEA(id), nullptr, ignore_all, 0)) {}
    ~Dialog() {
        if (window_)
            DestroyWindow(window_);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    HWND window() const { return window_; }
    bool checked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    void click(int id) const { SendDlgItemMessageA(window_, id, BM_CLICK, 0, 0); }

private:
    HWND window_;
};

const DWORD kMultiLine = ES_MULTILINE | ES_READONLY | WS_VSCROLL;

struct TemplateCase {
    int line;
    int id;
    const char* caption;  // the engine's and the later tests find dialogs by it
    bool modeless;        // created with CreateDialog: visible without ShowWindow
    std::vector<Control> controls;
};

const std::vector<TemplateCase>& template_cases() {
    static const std::vector<TemplateCase> cases = {
        {__LINE__, 5000, "Welcome", false, {{1, kDefPush, 0}, {2, kPush, 0}}},
        {__LINE__, 5001, "Install Path", false, {{100, kEdit, 0}, {101, kPush, 0}, {1, kDefPush, 0}, {2, kPush, 0}}},
        {__LINE__, 5002, "Copying Files", true, {{100, kProgress, 0}, {101, kStatic, 0}}},
        {__LINE__, 5003, "Complete", false, {{1, kDefPush, 0}}},
        {__LINE__, 5004, "License Agreement", false, {{100, kEdit, kMultiLine}, {1, kDefPush, 0}, {2, kPush, 0}}},
        {__LINE__, 5005, "Previous Version", false, {{1, kDefPush, 0}, {2, kPush, 0}}},
        {__LINE__, 5006, "Verify Uninstall", false, {{100, kStatic, 0}, {1, kDefPush, 0}, {2, kPush, 0}}},
        // The cache question: 1 leaves the cache and is the default, 2 deletes it.
        {__LINE__, 5007, "Cache", false, {{1, kDefPush, 0}, {2, kPush, 0}}},
        // The insert-disc dialog: text 100 shows the disc's name, 2 gives up.
        {__LINE__, 5008, "Insert Disc", false, {{100, kStatic, 0}, {2, kPush, 0}}},
        {__LINE__, 5011, "Removing Vantrel", true, {}},
        {__LINE__, 5014, "Remove Vantrel", false,
         {{110, kCheck, 0}, {112, kCheck, 0}, {1, kDefPush, 0}, {2, kPush, 0}, {111, kPush, 0}, {113, kPush, 0}}},
        {__LINE__, 5015, "Connection", false,
         {{100, kRadio, WS_GROUP}, {101, kRadio, 0}, {102, kCheck, WS_GROUP}, {1, kDefPush, 0}, {2, kPush, 0}}},
    };
    return cases;
}

void paint_now(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// ---- bitmaps ----------------------------------------------------------------

struct Dib {
    const BITMAPINFOHEADER* header = nullptr;
    const RGBQUAD* table = nullptr;
    const BYTE* bits = nullptr;
    int width() const { return header->biWidth; }
    int height() const { return header->biHeight; }
    // Colour of the pixel at (x, y) from the top; 8-bit rows are stored
    // bottom-up, each padded to four bytes.
    COLORREF pixel(int x, int y) const {
        int stride = (width() + 3) & ~3;
        const RGBQUAD& c = table[bits[(height() - 1 - y) * stride + x]];
        return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
};

// The splash takes the colour table as 256 entries whatever the header's
// count of colours used says, and the pixels right behind it.
bool read_dib(HMODULE module, int id, Dib* out) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    if (!found)
        return false;
    out->header = (const BITMAPINFOHEADER*)LockResource(LoadResource(module, found));
    if (!out->header || out->header->biBitCount != 8)
        return false;
    out->table = (const RGBQUAD*)((const BYTE*)out->header + out->header->biSize);
    out->bits = (const BYTE*)(out->table + 256);
    return true;
}

// Where the splash puts each picture on a screen of the given size.
struct Place {
    int id;
    POINT (*at)(int width, int height);
};
const Place kPlaces[] = {
    {2900, [](int, int) { return POINT{25, 50}; }},
    {2901, [](int, int height) { return POINT{25, height - 100}; }},
    {2902, [](int width, int) { return POINT{width - 125, 50}; }},
};

bool near_colour(COLORREF a, COLORREF b) {
    // A true-colour screen shows the pictures' colours exactly; the slack
    // lets a 16-bit screen pass as well.
    return abs(GetRValue(a) - GetRValue(b)) <= 8 && abs(GetGValue(a) - GetGValue(b)) <= 8 &&
           abs(GetBValue(a) - GetBValue(b)) <= 8;
}

// ---- tests ------------------------------------------------------------------

TEST(Strings, EveryTextIsThereAndShorterThan260) {
    Library library;
    ASSERT_TRUE(library.module());
    const int ids[] = {1036, 1051, 1052, 1055, 1056, 1076, 1082, 1120, 1141, 1142,
                       1143, 1144, 1145, 1146, 1221, 1500, 1514, 1519};
    for (int id : ids) {
        char text[1024];
        int length = LoadStringA(library.module(), id, text, sizeof text);
        EXPECT_GT(length, 0) << id;
        EXPECT_LT(length, 260) << id;  // 260 or more counts as missing
    }
}

TEST(Strings, NamesOthersRelyOn) {
    Library library;
    ASSERT_TRUE(library.module());
    // On the 95 family the install names the Start-menu folder after the
    // product (1500) and the uninstall removes the folder named by 1120.
    EXPECT_EQ(load_text(library.module(), 1500), load_text(library.module(), 1120));
    struct {
        int line;
        int id;
        const char* text;
    } cases[] = {
        {__LINE__, 1500, "Vantrel"},
        {__LINE__, 1036, "Program Files\\Vantrel"},
        {__LINE__, 1052, "Vantr"},  // the disc's volume label, compared exactly
        // Shortcut names: the installed links' file names.
        {__LINE__, 1514, "Settings"},
        {__LINE__, 1519, "Update Now!"},
        {__LINE__, 1145, "Connect to Internet"},
        {__LINE__, 1146, "Vantrel Help"},
        {__LINE__, 1221, "Download Helper"},
        {__LINE__, 1076, "Uninstall"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, load_text(library.module(), c.id)) << "line " << c.line;
}

TEST(Templates, EachHasTheControlsItsProcedureUses) {
    Library library;
    ASSERT_TRUE(library.module());
    for (const TemplateCase& c : template_cases()) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << ", template " << c.id);
        Template found;
        ASSERT_TRUE(read_template(library.module(), c.id, &found));
        EXPECT_EQ(c.caption, found.caption);
        EXPECT_EQ(c.modeless, (found.style & WS_VISIBLE) != 0);
        for (const Control& wanted : c.controls) {
            int seen = 0;
            for (const Control& control : found.controls)
                if (control.id == wanted.id && control.kind == wanted.kind &&
                    (control.style & wanted.style) == wanted.style)
                    seen++;
            EXPECT_EQ(1, seen) << "control " << wanted.id;
        }
        std::set<int> ids;
        for (const Control& control : found.controls) {
            if (control.id != 0xFFFF) {
                EXPECT_TRUE(ids.insert(control.id).second) << "control id " << control.id << " twice";
            }
        }

        Dialog dialog(library.module(), c.id);
        ASSERT_TRUE(dialog.window());
        EXPECT_EQ(c.modeless, IsWindowVisible(dialog.window()) != 0);
        for (const Control& wanted : c.controls)
            EXPECT_TRUE(GetDlgItem(dialog.window(), wanted.id)) << "control " << wanted.id;
        // A picture of each layout for a look by eye.
        ShowWindow(dialog.window(), SW_SHOW);
        paint_now(dialog.window());
        EXPECT_TRUE(save_png(dialog.window(), bin_folder() + "\\langres_" + std::to_string(c.id) + ".png"));
    }
}

TEST(Templates, ConnectionChoicesAreOneRadioGroupAndABox) {
    Library library;
    Dialog dialog(library.module(), 5015);
    ASSERT_TRUE(dialog.window());
    struct {
        int line;
        int click;
        bool modem, lan, tune;
    } steps[] = {
        {__LINE__, 100, true, false, false},
        {__LINE__, 101, false, true, false},
        {__LINE__, 102, false, true, true},  // the box leaves the radio choice alone
        {__LINE__, 100, true, false, true},
        {__LINE__, 102, true, false, false},
    };
    for (const auto& s : steps) {
        dialog.click(s.click);
        EXPECT_EQ(s.modem, dialog.checked(100)) << "line " << s.line;
        EXPECT_EQ(s.lan, dialog.checked(101)) << "line " << s.line;
        EXPECT_EQ(s.tune, dialog.checked(102)) << "line " << s.line;
    }
}

// Every label shows whole in its control with the dialog's font: a static
// text (or a multi-line button's caption) wraps within its rectangle, any
// other caption stays on one line beside its check mark or inside its edges.
TEST(Templates, EveryLabelFitsItsControl) {
    Library library;
    ASSERT_TRUE(library.module());
    for (const TemplateCase& c : template_cases()) {
        Dialog dialog(library.module(), c.id);
        ASSERT_TRUE(dialog.window()) << "template " << c.id;
        for (HWND control = GetWindow(dialog.window(), GW_CHILD); control;
             control = GetWindow(control, GW_HWNDNEXT)) {
            char kind[32] = "", text[512] = "";
            GetClassNameA(control, kind, sizeof kind);
            GetWindowTextA(control, text, sizeof text);
            bool is_static = _stricmp(kind, "Static") == 0, is_button = _stricmp(kind, "Button") == 0;
            if (!*text || (!is_static && !is_button))
                continue;
            RECT room;
            GetClientRect(control, &room);
            HDC dc = GetDC(control);
            HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
            TEXTMETRICA metrics;
            GetTextMetricsA(dc, &metrics);
            DWORD style = GetWindowLongA(control, GWL_STYLE);
            bool wraps = is_static ? (style & SS_TYPEMASK) <= SS_RIGHT : (style & BS_MULTILINE) != 0;
            UINT flags = DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE);
            DWORD type = style & BS_TYPEMASK;
            if (is_button && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON ||
                              type == BS_RADIOBUTTON))
                room.left += GetSystemMetrics(SM_CXMENUCHECK) + metrics.tmAveCharWidth;
            else if (is_button)
                InflateRect(&room, -2 * GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
            RECT needed = {0, 0, room.right - room.left, 0};
            DrawTextA(dc, text, -1, &needed, flags);
            SelectObject(dc, old);
            ReleaseDC(control, dc);
            EXPECT_LE(needed.right, room.right - room.left)
                << "template " << c.id << ", control " << GetDlgCtrlID(control) << ": \"" << text << "\"";
            EXPECT_LE(needed.bottom, room.bottom - room.top)
                << "template " << c.id << ", control " << GetDlgCtrlID(control) << ": \"" << text << "\"";
        }
    }
}

TEST(Templates, VerifyUninstallReadsAsTheInstallerDescribesIt) {
    Library library;
    Template found;
    ASSERT_TRUE(read_template(library.module(), 5006, &found));
    EXPECT_EQ(260, found.cx);
    EXPECT_EQ(71, found.cy);
    Dialog dialog(library.module(), 5006);
    ASSERT_TRUE(dialog.window());
    EXPECT_EQ("Are you sure you want to remove this version of this product?  If not, press \"Cancel.\"  "
              "Otherwise, press \"OK\" to continue.",
              control_text(dialog.window(), 100));
    EXPECT_EQ("OK", control_text(dialog.window(), 1));
    EXPECT_EQ("Cancel", control_text(dialog.window(), 2));
}

TEST(Splash, PicturesAreFull8BitDibsThatFitTheSmallestScreen) {
    Library library;
    ASSERT_TRUE(library.module());
    std::vector<RECT> taken;
    for (const Place& place : kPlaces) {
        SCOPED_TRACE(place.id);
        Dib dib;
        ASSERT_TRUE(read_dib(library.module(), place.id, &dib));
        EXPECT_EQ((DWORD)BI_RGB, dib.header->biCompression);
        EXPECT_TRUE(dib.header->biClrUsed == 0 || dib.header->biClrUsed == 256) << dib.header->biClrUsed;
        EXPECT_GT(dib.height(), 0);  // bottom-up rows
        // On a 640x480 screen each lies inside the screen and clear of the others.
        POINT at = place.at(640, 480);
        RECT box = {at.x, at.y, at.x + dib.width(), at.y + dib.height()};
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= 640 && box.bottom <= 480);
        for (const RECT& other : taken) {
            RECT overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &box, &other));
        }
        taken.push_back(box);
    }
}

TEST(Splash, OtherPicturesUseOnlyTheFirstPicturesColours) {
    // The splash realises the first picture's palette for all three: on a
    // 256-colour screen the others then show their colours exactly.
    Library library;
    Dib first;
    ASSERT_TRUE(read_dib(library.module(), 2900, &first));
    std::set<COLORREF> palette;
    for (int y = 0; y < first.height(); y++)
        for (int x = 0; x < first.width(); x++)
            palette.insert(first.pixel(x, y));
    for (int id : {2901, 2902}) {
        Dib dib;
        ASSERT_TRUE(read_dib(library.module(), id, &dib)) << id;
        int strangers = 0;
        for (int y = 0; y < dib.height(); y++)
            for (int x = 0; x < dib.width(); x++)
                strangers += palette.count(dib.pixel(x, y)) == 0;
        EXPECT_EQ(0, strangers) << id;
    }
}

TEST(Splash, ShowsItsThreePictures) {
    Library library;
    ASSERT_TRUE(library.module());
    HWND splash = Splash(1, library.module());
    ASSERT_TRUE(splash);
    paint_now(splash);  // the splash thread paints before this returns
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    HDC dc = GetDC(nullptr);
    for (const Place& place : kPlaces) {
        Dib dib;
        ASSERT_TRUE(read_dib(library.module(), place.id, &dib));
        POINT at = place.at(screen.right, screen.bottom);
        // A 6x6 grid across the picture.
        int differ = 0;
        for (int gy = 0; gy < 6; gy++)
            for (int gx = 0; gx < 6; gx++) {
                int x = gx * (dib.width() - 1) / 5, y = gy * (dib.height() - 1) / 5;
                differ += !near_colour(dib.pixel(x, y), GetPixel(dc, at.x + x, at.y + y));
            }
        EXPECT_EQ(0, differ) << place.id;
    }
    ReleaseDC(nullptr, dc);
    EXPECT_TRUE(save_png(splash, bin_folder() + "\\langres_splash.png"));
    EXPECT_EQ(nullptr, Splash(0, nullptr));
    EXPECT_FALSE(IsWindow(splash));
}

}  // namespace
