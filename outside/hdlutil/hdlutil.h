// hdlutil.dll: the maker's network helper. hdlutil.exe is a thin program
// over it; the installer runs it from the media as a probe before anything
// is installed, and Windows runs it once at the next start, from the Windows
// folder, to apply the network tuning recorded at install.
#pragma once

#ifdef HDLUTIL_BUILD
#define HDLUTIL_API __declspec(dllexport)
#else
#define HDLUTIL_API __declspec(dllimport)
#endif

// The build the helper belongs to; the installer passes it on every call.
#define HDLUTIL_BUILD_TAG "build160"

#ifdef __cplusplus
extern "C" {
#endif

// 1 when tag is this build's and folder holds complete install media:
// "install.dat" with a usable list (the install script's reading rules)
// whose every entry is there in its form (beside it, in "setup", or a
// member of "files.dat"), and the components the install loads beside it
// ("setup.exe", "langres.dll", "hostinfo.dll", "hdlutil.dll"). 0 otherwise.
// Reads only.
HDLUTIL_API int hdl_probe_media(const char* tag, const char* folder);
// Applies the tuning that the product named product recorded in its
// settings key "Software\Halvern Dynamics Limited\PRODUCT\Settings" (the
// numbers "d_mtu", "d_rwin", "d_ttl") to the system's TCP/IP parameters.
// 1 when the tag is this build's and the product name is usable (nothing
// recorded, or a recorded MTU of 0, applies nothing); 0 otherwise, changing
// nothing.
HDLUTIL_API int hdl_apply_tuning(const char* tag, const char* product);
// The whole program: reads a command line ending in "TAG" "FOLDER" 0 or
// "TAG" "PRODUCT" 4 and runs that mode. Returns the exit code: 0 done, -1
// for a failed probe, a refused tag or product, or missing or malformed
// arguments (nothing is changed then).
HDLUTIL_API int hdl_main(const char* command_line);

#ifdef __cplusplus
}
#endif
