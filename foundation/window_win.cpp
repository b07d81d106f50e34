// Window helpers: centring.
#include "window.h"

HWND splash_window = nullptr;

void Center(HWND parent, HWND window) {
    RECT outer, own;
    if (!GetWindowRect(parent ? parent : GetDesktopWindow(), &outer) || !GetWindowRect(window, &own))
        return;
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = outer.left + (outer.right - outer.left) / 2 - width / 2;
    int y = outer.top + (outer.bottom - outer.top) / 2 - height / 2;
    MoveWindow(window, x, y, width, height, FALSE);
    SetForegroundWindow(window);
}
