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
    RECT rect;
    if (!GetClientRect(window, &rect))
        return 0;
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    if (!ClientToScreen(window, &corners[0]) || !ClientToScreen(window, &corners[1]))
        return 0;
    if (parent) {
        RECT outer;
        if (!GetClientRect(parent, &outer))
            return 0;
        POINT origin = {outer.left, outer.top};
        if (!ClientToScreen(parent, &origin))
            return 0;
        for (POINT& corner : corners) {
            corner.x -= origin.x;
            corner.y -= origin.y;
        }
    }
    if (out)
        *out = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    return 1;
}
