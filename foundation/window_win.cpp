// Window helpers: centring, client rectangles.
#include "window.h"

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

int ClientToParent(HWND window, HWND parent, RECT* out) {
    // A rectangle is its two corners; without a parent the origin stays 0, 0.
    RECT rect, origin = {};
    POINT* corners = (POINT*)&rect;
    if (!GetClientRect(window, &rect) || !ClientToScreen(window, &corners[0]) ||
        !ClientToScreen(window, &corners[1]))
        return 0;
    if (parent && (!GetClientRect(parent, &origin) || !ClientToScreen(parent, (POINT*)&origin)))
        return 0;
    for (int i = 0; i < 2; i++) {
        corners[i].x -= origin.left;
        corners[i].y -= origin.top;
    }
    if (out)
        *out = rect;
    return 1;
}
