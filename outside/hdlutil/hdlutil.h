// hdlutil.dll: the maker's network helper. hdlutil.exe is a thin program
// over it; the installer runs it from the media as a probe before anything
// is installed, and Windows runs it once at the next start to apply the
// network tuning recorded at install.
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
// "install.dat" with a usable count whose every entry is there in its form
// (beside it, in "setup", or a member of "files.dat"), and the components
// the install loads ("setup.exe", "langres.dll", "hostinfo.dll",
// "hdlutil.dll"). 0 otherwise. Reads only.
HDLUTIL_API int hdl_probe_media(const char* tag, const char* folder);
// Applies the tuning that the product named product recorded in its settings
// ("d_mtu", "d_rwin", "d_ttl") to the system's TCP/IP parameters. 1 when
// the tag is this build's and the product is named (nothing recorded, or a
// recorded MTU of 0, applies nothing); 0 otherwise, changing nothing.
HDLUTIL_API int hdl_apply_tuning(const char* tag, const char* product);

#ifdef __cplusplus
}
#endif
