// prodkit.dll, the product's runtime kit: the one header the product's
// programs include. It starts and stops the local proxy, detects and dials
// the dial-up connection, keeps the URL log and the exclude list, measures
// the cache, counts the install once, gives small file icons, and carries
// its own registry key class, log hook and splash window.
#pragma once

#ifdef _WIN32
#include <windows.h>
#ifdef PRODKIT_BUILD
#define PRODKIT_API __declspec(dllexport)
#else
#define PRODKIT_API __declspec(dllimport)
#endif
#else
#define PRODKIT_API
#endif

// A string value of 8-bit bytes with an explicit length; zero bytes may be
// among them. Copies own their bytes. Two values are equal when their
// lengths and bytes are equal (case-sensitive, no locale).
class PRODKIT_API String {
public:
    // Empty.
    String();
    // The bytes of text up to its terminator; a null text gives an empty value.
    String(const char* text);
    // Exactly length bytes of bytes, zero bytes included.
    String(const char* bytes, unsigned long length);
    String(const String& other);
    String& operator=(const String& other);
    ~String();

    unsigned long length();
    // Never null; a zero byte follows the last byte.
    const char* data();

private:
    char* bytes_;
    unsigned long length_;
};

// The process-wide URL log. Every UrlLog object addresses the same list;
// constructing or destroying one leaves the list as it is. Positions count
// from 0 (the oldest). A position at or past the count is not an error: Get
// returns an empty String and Remove does nothing. When memory for a new
// element cannot be had, "out of memory" goes to standard error and the
// process ends with status 1. One thread at a time per list.
class PRODKIT_API UrlLog {
public:
    UrlLog();
    ~UrlLog();
    // Appends a copy; duplicates are kept.
    void Add(String s);
    String Get(unsigned long i);
    unsigned long Count();
    // Removes the newest element, if any.
    void Remove_Last();
    void Remove(unsigned long i);
    // Removes the oldest element equal to s, if any.
    void Remove(String s);
};

// The process-wide exclude list: the same as UrlLog on a second,
// independent list.
class PRODKIT_API exclude_list {
public:
    exclude_list();
    ~exclude_list();
    void add(String s);
    String get(unsigned long i);
    unsigned long count();
    void remove_last();
    void remove(unsigned long i);
    void remove(String s);
};

extern "C" {

// Length in bytes of the data file that the index "cache_data" in folder
// names (bytes 12 to 47 of the index); prints "Opened NAME". 0 when either
// file cannot be opened or a path does not fit 260 bytes.
PRODKIT_API unsigned long Get_Current_Cache_Size(char* folder);
// amount times (limit / current cache size, rounded to single precision),
// truncated; the low 32 bits of the result. 0 when the size is 0.
PRODKIT_API unsigned long Get_Logical_Max(char* folder, unsigned long limit, unsigned long amount);

#ifdef _WIN32
// Starts command_line exactly as given as a new process; its handle (the
// caller closes it), or null when the process could not be created.
PRODKIT_API void* run_program(char* command_line);
// Starts "relay.exe" (alternative null) or "relay alt.exe" (alternative not
// null, whatever its text) from the folder in HKLM
// Software\Halvern Dynamics Limited\Vantrel\Settings "dtg_proxy_path",
// with the program's path quoted and no arguments.
// Returns the proxy's handle, which the kit keeps for Forcefully_Kill_Proxy
// (the caller does not close it), or null. Without the key, without the
// folder, or with a folder too long for the command line nothing is started
// and the proxy started before stays the one to end.
PRODKIT_API void* Launch_Proxy(char* alternative);
// Terminates and forgets the proxy started last; nothing when none is kept.
// Always 1.
PRODKIT_API int Forcefully_Kill_Proxy();

// 1 when dial-up networking is present (on the Windows 95 family also with a
// connection chosen in HKCU RemoteAccess), else 0.
PRODKIT_API int is_dial_up_installed();
// Starts the system's dialer for the chosen connection without waiting; 1
// once a start was tried, 0 when no connection is chosen or the command line
// does not fit 260 bytes.
PRODKIT_API int call_dial_up();
// Always 1.
PRODKIT_API int check_timeout();

// Unless the install was counted before, starts a thread that waits for the
// network and posts the install counter once; always 1.
PRODKIT_API int perform_registration();

// The shell's small icon for path (the caller destroys it), or null.
PRODKIT_API HICON get_small_file_icon(char* path);
#endif
}

#ifdef _WIN32
// Diagnostic log hook: records nothing.
PRODKIT_API void logprintf(char* format, ...);

// show 1: the full-screen splash on its own thread with bitmap resources
// 2900, 2901 and 2902 of module (or the one bitmap, centred); the window, or
// null when a bitmap is missing. Any other show hides it and returns null.
// The kit's splash state is its own, apart from setup.exe's.
PRODKIT_API HWND Splash(int show, HINSTANCE module);
PRODKIT_API HWND Splash(int show, HINSTANCE module, int bitmap);

// Owner of one open registry key. Every member but the constructor, the
// destructor and the two handle accessors returns 0 at once when no key is
// held; failures are 0. A null or empty value name addresses the default
// value. Reads do not check the stored type.
class PRODKIT_API kRegKey {
public:
    HKEY key;  // null when no key is held

    kRegKey();
    ~kRegKey();
    kRegKey(const kRegKey&) = delete;
    kRegKey& operator=(const kRegKey&) = delete;

    HKEY getkey();
    operator HKEY();

    // Opens an existing key with full access; 0 also when a key is held.
    int open(HKEY root, char* subkey);
    // Opens or creates the key (and missing parents); 0 also when a key is held.
    int create(HKEY root, char* subkey);
    // 1 if a key was held.
    int close();
    // Deletes the value name of the held key; 1 if it was deleted. The key,
    // its other values and its subkeys stay, and the key stays held.
    int remove(char* name);

    // REG_SZ of the text and its terminator.
    int set(char* name, char* text);
    // REG_DWORD.
    int set(char* name, unsigned long number);
    // REG_BINARY of size bytes.
    int set(char* name, void* data, unsigned long size);

    // The value's bytes into buffer (size bytes of room, no terminator
    // added); 0 when missing, empty or larger than size.
    int get(char* name, char* buffer, unsigned long size);
    // Up to 4 bytes into *number, left as it was on failure.
    int get(char* name, unsigned long* number);
    // *size: room on entry, the value's length on return.
    int get(char* name, void* data, unsigned long* size);

    unsigned long children();
    unsigned long values();
    int child(unsigned long index, char* name, unsigned long size);
    int value(unsigned long index, char* name, unsigned long size);
};
#endif
