// hdlutil.dll: the media probe and the tuning applied at the next start.
#define HDLUTIL_BUILD
#include "hdlutil.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "command_line.h"
#include "media_probe.h"
#include "netparams.h"

namespace {

int our_build(const char* tag) {
    return tag && strcmp(tag, HDLUTIL_BUILD_TAG) == 0;
}

int win95_family() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The product's settings key; 0 for a name that is empty, would reach
// another key (a backslash) or does not fit.
int settings_key(const char* product, char* out, size_t size) {
    if (!product || !product[0] || strchr(product, '\\'))
        return 0;
    int length = snprintf(out, size, "Software\\Halvern Dynamics Limited\\%s\\Settings", product);
    return length > 0 && (size_t)length < size;
}

}  // namespace

extern "C" {

int hdl_probe_media(const char* tag, const char* folder) {
    return our_build(tag) && media_complete(folder);
}

int hdl_apply_tuning(const char* tag, const char* product) {
    char key[260];
    if (!our_build(tag) || !settings_key(product, key, sizeof key))
        return 0;
    NetTuning tuning;
    // An install without tuning records an MTU of 0: nothing to apply.
    if (recorded_params(key, "d_", &tuning) && tuning.value[kMtu] != 0)
        write_system_params(win95_family(), tuning);
    return 1;
}

int hdl_main(const char* command_line) {
    HdlCommand command;
    if (!parse_hdl_command(command_line, &command))
        return -1;
    if (command.mode == 0)
        return hdl_probe_media(command.tag, command.argument) ? 0 : -1;
    if (command.mode == 4)
        return hdl_apply_tuning(command.tag, command.argument) ? 0 : -1;
    return -1;
}

}  // extern "C"
