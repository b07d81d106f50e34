// Starting and ending the product's local proxy program (relay.exe) through
// the runtime kit.
#pragma once
#include <windows.h>

// Starts "relay.exe" from the folder in the settings value "dtg_proxy_path"
// (the kit's Launch_Proxy); 1 when it started, 0 when the value is missing
// or the start failed.
int start_proxy();
// Ends the proxy (the kit's Forcefully_Kill_Proxy) and waits for its end;
// nothing when none was started.
void stop_proxy();
