// The full-screen splash window, run on a thread of its own.
#include <new>
#include <stdio.h>
#include "window.h"

// Splash state, one set per process. The splash thread writes splash_window
// and splash_ready; the thread that shows and hides the splash polls them.
HWND splash_window = nullptr;
static volatile LONG splash_ready = 0;
static HBITMAP splash_bitmaps[3];
static HPALETTE splash_palette;
static int screen_width, screen_height;

static const char kSplashClass[] = "InstallSplashClass";
// The three-bitmap splash's resources and its background (dark blue).
enum { kTopLeftBitmap = 2900, kBottomLeftBitmap = 2901, kTopRightBitmap = 2902 };
static const COLORREF kThreeBitmapBackground = 0x800000;
// Polling periods of the showing and the hiding thread, in milliseconds.
enum { kShowPoll = 250, kHidePoll = 100 };
enum { kSplashStack = 8192 };

// Handed to the splash thread; the shower releases it once the thread is ready.
struct SplashStart {
    HINSTANCE module;
    int bitmaps[3];  // the second and third 0 for the single-bitmap splash
};

static HWND shown_window() {
    // An aligned pointer is read whole on any x86 (the 386 has no
    // compare-and-exchange to read it with).
    return *(HWND volatile*)&splash_window;
}

static void set_shown_window(HWND window) {
    InterlockedExchangePointer((void* volatile*)&splash_window, window);
}

static int single_bitmap() {
    return splash_bitmaps[1] == nullptr;
}

static void paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (single_bitmap()) {
        DrawColorBitmap(window, dc, splash_bitmaps[0], screen_width / 2, screen_height / 2,
                        splash_palette, kDrawCentred);
    } else {
        DrawColorBitmap(window, dc, splash_bitmaps[0], 25, 50, splash_palette, 0);
        DrawColorBitmap(window, dc, splash_bitmaps[1], 25, screen_height - 100, splash_palette, 0);
        DrawColorBitmap(window, dc, splash_bitmaps[2], screen_width - 125, 50, splash_palette, 0);
    }
    EndPaint(window, &paint);
}

// Realises the splash palette in the window; repaints it when entries
// changed. 1 if they did.
static LRESULT realise_palette(HWND window) {
    if (!splash_palette)
        return 0;
    HDC dc = GetDC(window);
    HPALETTE previous = SelectPalette(dc, splash_palette, FALSE);
    UINT changed = RealizePalette(dc);
    SelectPalette(dc, previous, FALSE);
    ReleaseDC(window, dc);
    if (changed == GDI_ERROR || !changed)
        return 0;
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

static LRESULT CALLBACK splash_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_PALETTECHANGED:
        if ((HWND)wparam != window)
            realise_palette(window);
        return 0;
    case WM_QUERYNEWPALETTE:
        return realise_palette(window);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static int register_class(HINSTANCE program, COLORREF background) {
    WNDCLASSA splash_class = {};
    splash_class.style = CS_HREDRAW | CS_VREDRAW;
    splash_class.lpfnWndProc = splash_procedure;
    splash_class.hInstance = program;
    splash_class.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    splash_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    splash_class.hbrBackground = CreateSolidBrush(background);
    splash_class.lpszClassName = kSplashClass;
    if (RegisterClassA(&splash_class))
        return 1;
    DeleteObject(splash_class.hbrBackground);
    return 0;
}

// Deletes the bitmaps and the palette that exist and unregisters the class
// (which deletes its background brush).
static void release_splash(HINSTANCE program) {
    for (HBITMAP& bitmap : splash_bitmaps) {
        if (bitmap)
            DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (splash_palette)
        DeleteObject(splash_palette);
    splash_palette = nullptr;
    UnregisterClassA(kSplashClass, program);
}

// Loads the splash bitmaps, all sharing the palette of the first. 1 if all
// loaded.
static int load_bitmaps(const SplashStart& start, int count) {
    for (int i = 0; i < count; i++) {
        splash_bitmaps[i] = LoadColorBitmap(start.module, MAKEINTRESOURCEA(start.bitmaps[i]), &splash_palette);
        if (!splash_bitmaps[i])
            return 0;
    }
    return 1;
}

static void run_window(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    // Retrieval filtered on the window fails (-1) once the window is gone.
    MSG message;
    while (GetMessageA(&message, window, 0, 0) == 1) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

static DWORD WINAPI splash_thread(void* parameter) {
    const SplashStart start = *(const SplashStart*)parameter;
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    screen_width = desktop.right - desktop.left;
    screen_height = desktop.bottom - desktop.top;
    HINSTANCE program = GetModuleHandleA(nullptr);
    int single = start.bitmaps[1] == 0;
    if (!register_class(program, single ? 0 : kThreeBitmapBackground)) {
        InterlockedExchange(&splash_ready, 1);
        return 0;
    }
    HWND window = nullptr;
    if (load_bitmaps(start, single ? 1 : 3))
        window = CreateWindowExA(0, kSplashClass, nullptr, WS_POPUP, 0, 0, screen_width, screen_height,
                                 nullptr, nullptr, program, nullptr);
    if (!window) {
        // Released before the shower hears of it, so that a show straight
        // after finds the class free again.
        release_splash(program);
        InterlockedExchange(&splash_ready, 1);
        return 0;
    }
    set_shown_window(window);
    InterlockedExchange(&splash_ready, 1);
    printf("ok\n");
    run_window(window);
    release_splash(program);
    set_shown_window(nullptr);
    return 0;
}

static HWND show_splash(HINSTANCE module, int first, int second, int third) {
    if (splash_ready)
        return shown_window();
    SplashStart* start = new (std::nothrow) SplashStart{module, {first, second, third}};
    if (!start)
        return nullptr;
    // The 95 family fails a thread start that gives no room for its id.
    DWORD id;
    HANDLE thread = CreateThread(nullptr, kSplashStack, splash_thread, start, 0, &id);
    if (!thread) {
        delete start;
        return nullptr;
    }
    CloseHandle(thread);
    while (!splash_ready)
        Sleep(kShowPoll);
    delete start;
    HWND window = shown_window();
    if (!window)
        InterlockedExchange(&splash_ready, 0);
    return window;
}

static HWND hide_splash() {
    // Posting to a null window would put the close request in this thread's
    // own queue: with nothing shown there is nothing to post.
    HWND window = shown_window();
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    while (shown_window())
        Sleep(kHidePoll);
    InterlockedExchange(&splash_ready, 0);
    return nullptr;
}

HWND Splash(int show, HINSTANCE module) {
    if (show != 1)
        return hide_splash();
    return show_splash(module, kTopLeftBitmap, kBottomLeftBitmap, kTopRightBitmap);
}

HWND Splash(int show, HINSTANCE module, int bitmap) {
    if (show != 1)
        return hide_splash();
    return show_splash(module, bitmap, 0, 0);
}
