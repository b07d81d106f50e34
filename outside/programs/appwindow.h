// A small top-level window with a few lines of text, and the message loop
// that the product's programs run until their window closes or an object
// they watch is signalled.
#pragma once
#include <windows.h>

// Called when the watched handle is signalled; returns 1 to end the loop.
typedef int (*WakeHandler)(HANDLE handle, void* context);

class AppWindow {
public:
    // Id of the static control that shows the text.
    enum { kTextId = 100 };

    AppWindow() = default;
    ~AppWindow();
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    // Creates and shows the window with the program's icon (resource 1, or
    // icon_id); 1 on success.
    int open(HINSTANCE instance, const char* title, const char* text, int icon_id = 1);
    // Runs messages until the window closes, or until handle (may be null) is
    // signalled and on_wake returns 1. Every poll_ms (0: never) on_wake is
    // also called with a null handle, for programs that watch a value.
    // Returns the exit code to use.
    int run(HANDLE handle, WakeHandler on_wake, void* context, DWORD poll_ms = 0);
    HWND handle() const { return window_; }

private:
    HWND window_ = nullptr;
};
