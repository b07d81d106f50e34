// Window helpers, colour bitmaps and the splash, with real windows and
// device contexts. The bitmaps (window_tests.rc) are solid with a white
// top-left pixel: 2900 red (8 bits, full colour table), 2901 green, 2902
// yellow, 2950 magenta (30 x 10), the others 40 x 20; 2960 is cut short.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include "window.h"

static const COLORREF kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0),
                      kYellow = RGB(255, 255, 0), kMagenta = RGB(255, 0, 255), kBlue = RGB(0, 0, 255),
                      kCyan = RGB(0, 255, 255), kDarkBlue = RGB(0, 0, 0x80), kBlack = RGB(0, 0, 0);

static HINSTANCE self() {
    return GetModuleHandleA(nullptr);
}

static char* bitmap_id(int id) {
    return MAKEINTRESOURCEA(id);
}

static HWND make_window(DWORD style, int x, int y, int width, int height, HWND parent = nullptr) {
    return CreateWindowExA(0, "STATIC", "", style, x, y, width, height, parent, nullptr, self(), nullptr);
}

static RECT window_rect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

TEST(Center, NullParentCentresOnTheDesktop) {
    HWND window = make_window(WS_POPUP, 10, 10, 201, 101);
    ASSERT_NE(nullptr, window);
    Center(nullptr, window);
    RECT desktop = window_rect(GetDesktopWindow()), rect = window_rect(window);
    EXPECT_EQ(desktop.left + (desktop.right - desktop.left) / 2 - 100, rect.left);
    EXPECT_EQ(desktop.top + (desktop.bottom - desktop.top) / 2 - 50, rect.top);
    EXPECT_EQ(201, rect.right - rect.left);
    EXPECT_EQ(101, rect.bottom - rect.top);
    DestroyWindow(window);
}

TEST(Center, LargerWindowGetsNegativeCoordinates) {
    HWND parent = make_window(WS_POPUP, 50, 40, 100, 60);
    HWND window = make_window(WS_POPUP, 0, 0, 300, 300);
    Center(parent, window);
    RECT rect = window_rect(window);
    EXPECT_EQ(50 + 50 - 150, rect.left);
    EXPECT_EQ(40 + 30 - 150, rect.top);
    EXPECT_EQ(300, rect.right - rect.left);
    DestroyWindow(window);
    DestroyWindow(parent);
}

TEST(ClientToParent, ChildClientInParentClientAndScreen) {
    HWND parent = make_window(WS_OVERLAPPEDWINDOW, 100, 100, 400, 300);
    HWND plain = make_window(WS_CHILD, 10, 20, 50, 30, parent);
    HWND bordered = make_window(WS_CHILD | WS_BORDER, 10, 20, 50, 30, parent);
    ASSERT_TRUE(parent && plain && bordered);
    RECT out;
    ASSERT_EQ(1, ClientToParent(plain, parent, &out));
    EXPECT_EQ(10, out.left);
    EXPECT_EQ(20, out.top);
    EXPECT_EQ(60, out.right);
    EXPECT_EQ(50, out.bottom);
    ASSERT_EQ(1, ClientToParent(bordered, parent, &out));  // the client lies inside the border
    EXPECT_EQ(11, out.left);
    EXPECT_EQ(21, out.top);
    EXPECT_EQ(59, out.right);
    EXPECT_EQ(49, out.bottom);

    POINT origin = {0, 0};
    ClientToScreen(parent, &origin);
    ASSERT_EQ(1, ClientToParent(plain, nullptr, &out));
    EXPECT_EQ(origin.x + 10, out.left);
    EXPECT_EQ(origin.y + 20, out.top);
    EXPECT_EQ(origin.x + 60, out.right);
    EXPECT_EQ(1, ClientToParent(plain, parent, nullptr));

    DestroyWindow(parent);
    RECT poisoned = {-7, -7, -7, -7};
    out = poisoned;
    EXPECT_EQ(0, ClientToParent(plain, nullptr, &out));  // destroyed with its parent
    EXPECT_EQ(0, memcmp(&poisoned, &out, sizeof out));
}

// A 300 x 300 32-bit device-independent section in a memory context.
class Canvas {
public:
    HDC dc;
    Canvas(COLORREF fill) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 300, -300, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits;
        dc = CreateCompatibleDC(nullptr);
        section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, section);
        RECT all = {0, 0, 300, 300};
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(section);
        DeleteDC(dc);
    }
    COLORREF at(int x, int y) { return GetPixel(dc, x, y); }

private:
    HBITMAP section;
    HGDIOBJ old;
};

TEST(LoadColorBitmap, EightBitsBuildsAPaletteFromTheColourTable) {
    HPALETTE palette = nullptr;
    HBITMAP bitmap = LoadColorBitmap(self(), bitmap_id(2900), &palette);
    ASSERT_NE(nullptr, bitmap);
    ASSERT_NE(nullptr, palette);
    ASSERT_EQ(256u, GetPaletteEntries(palette, 0, 0, nullptr));
    PALETTEENTRY entries[256];
    ASSERT_EQ(256u, GetPaletteEntries(palette, 0, 256, entries));
    EXPECT_EQ(255, entries[0].peRed);
    EXPECT_EQ(0, entries[0].peGreen);
    EXPECT_EQ(255, entries[1].peBlue);
    for (int i = 2; i < 256; i++) {
        EXPECT_EQ(i, entries[i].peRed) << i;
        EXPECT_EQ(255 - i, entries[i].peGreen) << i;
        EXPECT_EQ((i * 7) & 255, entries[i].peBlue) << i;
        EXPECT_EQ(0, entries[i].peFlags) << i;
    }
    BITMAP info;
    ASSERT_NE(0, GetObjectA(bitmap, sizeof info, &info));
    EXPECT_EQ(40, info.bmWidth);
    EXPECT_EQ(20, info.bmHeight);

    // The pixels come from after the whole colour table.
    Canvas canvas(kBlack);
    DrawColorBitmap(nullptr, canvas.dc, bitmap, 0, 0, palette, 0);
    EXPECT_EQ(kWhite, canvas.at(0, 0));
    EXPECT_EQ(kRed, canvas.at(1, 0));
    EXPECT_EQ(kRed, canvas.at(39, 19));

    // A palette already there is used, not replaced.
    HPALETTE kept = palette;
    HBITMAP again = LoadColorBitmap(self(), bitmap_id(2900), &kept);
    EXPECT_NE(nullptr, again);
    EXPECT_EQ(palette, kept);
    DeleteObject(again);
    DeleteObject(bitmap);
    DeleteObject(palette);
}

TEST(LoadColorBitmap, TwentyFourBitsLeavesThePaletteAlone) {
    HPALETTE palette = nullptr;
    HBITMAP bitmap = LoadColorBitmap(self(), bitmap_id(2901), &palette);
    ASSERT_NE(nullptr, bitmap);
    EXPECT_EQ(nullptr, palette);
    DeleteObject(bitmap);
    bitmap = LoadColorBitmap(self(), bitmap_id(2900), nullptr);  // no palette wanted
    EXPECT_NE(nullptr, bitmap);
    DeleteObject(bitmap);
}

TEST(LoadColorBitmap, MissingOrCutResourceGivesNull) {
    HPALETTE palette = nullptr;
    EXPECT_EQ(nullptr, LoadColorBitmap(self(), bitmap_id(9999), &palette));
    EXPECT_EQ(nullptr, LoadColorBitmap(self(), (char*)"NOSUCHBITMAP", &palette));
    EXPECT_EQ(nullptr, LoadColorBitmap(self(), bitmap_id(2960), &palette));  // rows cut short
    EXPECT_EQ(nullptr, palette);
}

class DrawTest : public testing::Test {
protected:
    HBITMAP green = nullptr;
    void SetUp() override { ASSERT_NE(nullptr, green = LoadColorBitmap(self(), bitmap_id(2901), nullptr)); }
    void TearDown() override { DeleteObject(green); }
};

TEST_F(DrawTest, CentredOnAPoint) {
    Canvas canvas(kBlack);
    DrawColorBitmap(nullptr, canvas.dc, green, 100, 100, nullptr, kDrawCentred);
    EXPECT_EQ(kWhite, canvas.at(80, 90));
    EXPECT_EQ(kGreen, canvas.at(81, 90));
    EXPECT_EQ(kGreen, canvas.at(119, 109));
    EXPECT_EQ(kBlack, canvas.at(79, 90));
    EXPECT_EQ(kBlack, canvas.at(80, 89));
    EXPECT_EQ(kBlack, canvas.at(120, 109));
    EXPECT_EQ(kBlack, canvas.at(119, 110));
}

TEST_F(DrawTest, AtAPointWithoutFlags) {
    Canvas canvas(kBlack);
    DrawColorBitmap(nullptr, canvas.dc, green, 5, 7, nullptr, 0);
    EXPECT_EQ(kWhite, canvas.at(5, 7));
    EXPECT_EQ(kGreen, canvas.at(44, 26));
    EXPECT_EQ(kBlack, canvas.at(45, 26));
}

TEST_F(DrawTest, TilesFromTheOriginIgnoringThePoint) {
    Canvas canvas(kBlack);
    DrawColorBitmap(nullptr, canvas.dc, green, 123, 45, nullptr, kDrawTiled);
    for (POINT corner : {POINT{0, 0}, POINT{40, 20}, POINT{280, 280}, POINT{120, 0}, POINT{0, 140}})
        EXPECT_EQ(kWhite, canvas.at(corner.x, corner.y)) << corner.x << "," << corner.y;
    EXPECT_EQ(kGreen, canvas.at(1, 1));
    EXPECT_EQ(kGreen, canvas.at(123, 45));
    EXPECT_EQ(kGreen, canvas.at(299, 299));
}

TEST_F(DrawTest, OrCombinesWithWhatIsThere) {
    Canvas canvas(kBlue);
    DrawColorBitmap(nullptr, canvas.dc, green, 10, 10, nullptr, kDrawOr);
    EXPECT_EQ(kWhite, canvas.at(10, 10));
    EXPECT_EQ(kCyan, canvas.at(11, 11));
    EXPECT_EQ(kBlue, canvas.at(50, 50));
}

static int thread_count() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    if (Thread32First(snapshot, &entry)) {
        do {
            if (entry.th32OwnerProcessID == GetCurrentProcessId())
                count++;
        } while (Thread32Next(snapshot, &entry));
    }
    CloseHandle(snapshot);
    return count;
}

// The colour at (x, y) of the shown window once it matches want, or the last
// colour read: the splash thread paints on its own schedule.
static COLORREF painted(HWND window, int x, int y, COLORREF want) {
    COLORREF got = CLR_INVALID;
    for (int i = 0; i < 200 && got != want; i++) {
        if (i)
            Sleep(25);
        HDC dc = GetDC(window);
        got = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
    }
    return got;
}

TEST(Splash, HidingWhenNothingIsShownReturnsNull) {
    EXPECT_EQ(nullptr, Splash(0, self()));
    EXPECT_EQ(nullptr, Splash(2, self(), 2950));
    EXPECT_EQ(nullptr, splash_window);
}

TEST(Splash, MissingBitmapGivesNullAndALaterShowWorks) {
    EXPECT_EQ(nullptr, Splash(1, self(), 9999));
    EXPECT_EQ(nullptr, splash_window);
    EXPECT_EQ(nullptr, Splash(1, GetModuleHandleA("kernel32.dll")));  // no 2900-2902 there
    HWND window = Splash(1, self(), 2950);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, splash_window);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ("InstallSplashClass", name);
    EXPECT_EQ(nullptr, Splash(0, self()));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, splash_window);
}

TEST(Splash, ShowingTwiceGivesTheSameWindowAndOneThread) {
    int before = thread_count();
    HWND first = Splash(1, self());
    ASSERT_NE(nullptr, first);
    int shown = thread_count();
    EXPECT_EQ(before + 1, shown);
    EXPECT_EQ(first, Splash(1, self()));
    EXPECT_EQ(first, Splash(1, self(), 2950));  // whatever form asks
    EXPECT_EQ(shown, thread_count());
    EXPECT_EQ(nullptr, Splash(0, self()));
    EXPECT_FALSE(IsWindow(first));
}

TEST(Splash, ThreeBitmapsAtTheirPlacesOnAFullScreenWindow) {
    HWND window = Splash(1, self());
    ASSERT_NE(nullptr, window);
    RECT desktop = window_rect(GetDesktopWindow()), rect = window_rect(window);
    EXPECT_EQ(0, memcmp(&desktop, &rect, sizeof rect));
    EXPECT_EQ((LONG_PTR)WS_POPUP, GetWindowLongPtrA(window, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_CHILD));
    int width = desktop.right - desktop.left, height = desktop.bottom - desktop.top;
    struct {
        int x, y;
        COLORREF colour;
    } places[] = {
        {25, 50, kRed},  {width - 125, 50, kYellow},  {25, height - 100, kGreen},
    };
    for (auto& p : places) {
        EXPECT_EQ(kWhite, painted(window, p.x, p.y, kWhite)) << p.x << "," << p.y;
        EXPECT_EQ(p.colour, painted(window, p.x + 1, p.y + 1, p.colour)) << p.x << "," << p.y;
        EXPECT_EQ(p.colour, painted(window, p.x + 39, p.y + 19, p.colour)) << p.x << "," << p.y;
        EXPECT_EQ(kDarkBlue, painted(window, p.x + 40, p.y, kDarkBlue)) << p.x << "," << p.y;
    }
    EXPECT_EQ(kDarkBlue, painted(window, width / 2, height / 2, kDarkBlue));
    EXPECT_EQ(nullptr, Splash(0, self()));
}

TEST(Splash, SingleBitmapCentredOnBlack) {
    HWND window = Splash(1, self(), 2950);
    ASSERT_NE(nullptr, window);
    RECT desktop = window_rect(GetDesktopWindow());
    int x = (desktop.right - desktop.left) / 2 - 15, y = (desktop.bottom - desktop.top) / 2 - 5;
    EXPECT_EQ(kWhite, painted(window, x, y, kWhite));
    EXPECT_EQ(kMagenta, painted(window, x + 29, y + 9, kMagenta));
    EXPECT_EQ(kBlack, painted(window, x + 30, y, kBlack));
    EXPECT_EQ(kBlack, painted(window, 25, 50, kBlack));
    EXPECT_EQ(nullptr, Splash(0, self()));
}
