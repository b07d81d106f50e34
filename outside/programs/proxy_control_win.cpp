// The main application's local proxy: started from the folder the install
// recorded and ended with the application, through the runtime kit.
#include "proxy_control.h"
#include "prodkit.h"

// A handle of the application's own to the proxy: the kit closes the one it
// keeps when it ends the proxy, and this one is waited on after that.
static HANDLE proxy_watch = nullptr;

int start_proxy() {
    void* proxy = Launch_Proxy(nullptr);
    if (!proxy)
        return 0;
    DuplicateHandle(GetCurrentProcess(), proxy, GetCurrentProcess(), &proxy_watch, SYNCHRONIZE, FALSE, 0);
    return 1;
}

void stop_proxy() {
    Forcefully_Kill_Proxy();
    if (!proxy_watch)
        return;
    // The proxy's mutex goes with its process: wait so that whoever waits
    // for the proxy's end sees it gone once the application has ended.
    WaitForSingleObject(proxy_watch, 10000);
    CloseHandle(proxy_watch);
    proxy_watch = nullptr;
}
