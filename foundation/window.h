// Window helpers, colour bitmaps and the splash window.
#pragma once
#include "kapi.h"

// The splash window while one is shown, else null; dialogs use it as parent.
KAPI extern HWND splash_window;

// Moves window (keeping its size, without repainting during the move) so
// that its centre lies on the centre of parent's window rectangle, or of the
// desktop when parent is null, then brings it to the foreground. A window
// larger than its parent gets coordinates left of or above the parent's.
KAPI void Center(HWND parent, HWND window);

// window's client rectangle in parent's client coordinates, or in screen
// coordinates when parent is null; stored in out when out is not null.
// 1 on success; 0 (out untouched) when a rectangle or conversion fails.
KAPI int ClientToParent(HWND window, HWND parent, RECT* out);

// A device-dependent bitmap made from bitmap resource name (a name or an
// integer identifier) of module. When palette is not null, *palette is null
// and the bitmap has 8 or fewer bits per pixel, a palette is first built
// from its colour table and stored in *palette; otherwise *palette is left
// as it is. A palette in *palette is realised on the screen while the bitmap
// is made. Null when the resource is missing, cut short, or the bitmap
// cannot be made.
KAPI HBITMAP LoadColorBitmap(HINSTANCE module, char* name, HPALETTE* palette);

// DrawColorBitmap flags.
enum {
    kDrawCentred = 1,  // centre the bitmap on (x, y)
    kDrawOr = 2,       // combine with SRCPAINT instead of copying
    kDrawTiled = 4,    // tile from (0, 0) up to 2,048 each way; x and y unused
};

// Draws bitmap on dc at (x, y) by the flags above, with palette selected
// into dc (foreground) and realised when it is not null. window is not used.
KAPI void DrawColorBitmap(HWND window, HDC dc, HBITMAP bitmap, int x, int y, HPALETTE palette,
                          int flags);

// show 1: shows the full-screen splash on its own thread, dark blue with
// bitmap resources 2900, 2901 and 2902 of module at the top left, bottom left
// and top right; returns the window, or null when a bitmap is missing or the
// splash cannot start. A splash already shown is returned as it is. Any
// other show: hides the splash, waits for its thread to end, returns null.
KAPI HWND Splash(int show, HINSTANCE module);
// The same with one bitmap resource, bitmap, centred on black.
KAPI HWND Splash(int show, HINSTANCE module, int bitmap);
