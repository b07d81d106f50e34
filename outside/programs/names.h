// The names of the kernel objects through which the installer finds, asks to
// close and, failing that, stops the product's running programs. They are
// shared with the install script and must not change.
#pragma once

#define VANTREL_APP_EVENT "VantrelEvent"
#define VANTREL_BUTTON_EVENT "WButtonEvent"
#define VANTREL_APP_MUTEX "Halvern Dynamics/Vantrel/MainAppMuteX"
#define VANTREL_PROXY_MUTEX "Halvern Dynamics/Proxy/mutex"
#define VANTREL_DDE_MUTEX "Halvern Dynamics/DDEProc/mutex"
#define VANTREL_DDE_MEMORY "Halvern Dynamics.DDEProc.Shared Memory"

// The DDE process keeps its process id in the 32-bit word at this offset of
// its shared memory; the word set to all ones asks it to end.
enum { kDdeProcessIdOffset = 24, kDdeMemorySize = 64 };
#define VANTREL_DDE_STOP 0xFFFFFFFFu

#define VANTREL_PRODUCT_KEY "Software\\Halvern Dynamics Limited\\Vantrel"
#define VANTREL_SETTINGS_KEY "Software\\Halvern Dynamics Limited\\Vantrel\\Settings"
