// Window helpers and the splash window.
#pragma once
#include "kapi.h"

// The splash window while one is shown, else null; dialogs use it as parent.
KAPI extern HWND splash_window;

// Moves window (keeping its size) so that its centre lies on the centre of
// parent's window rectangle, or of the desktop when parent is null, then
// brings it to the foreground.
KAPI void Center(HWND parent, HWND window);
