// The product's small windowed programs (linkup.exe, grabber.exe,
// vantrel_setup.exe): a window with the program's icon and one line, built
// once per program with its own title and text.
#include <windows.h>
#include "appwindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    AppWindow window;
    if (!window.open(instance, KPROGRAM_TITLE, KPROGRAM_TEXT))
        return 1;
    return window.run(nullptr, nullptr, nullptr);
}
