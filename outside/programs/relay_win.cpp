// relay.exe (also installed as "relay alt.exe"), the product's local proxy:
// holds the proxy mutex for as long as it runs, which is how the installer
// tells that the proxy is still up.
#include <windows.h>
#include "appwindow.h"
#include "names.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, VANTREL_PROXY_MUTEX);
    if (!mutex)
        return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 0;
    }
    AppWindow window;
    int code = 1;
    if (window.open(instance, "Vantrel Proxy", "Vantrel's local proxy is running."))
        code = window.run(nullptr, nullptr, nullptr);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return code;
}
