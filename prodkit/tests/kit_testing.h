// Helpers of the kit's Windows tests: the product's registry keys, the
// stand-in programs' reports, and the probe process.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "testkit.h"

namespace kit_testing {

extern const char kMakerKey[];
extern const char kProductKey[];
extern const char kSettingsKey[];

// The maker's key tree, removed before and after a test.
class ProductKeys {
public:
    ProductKeys();
    ~ProductKeys();
    ProductKeys(const ProductKeys&) = delete;
    ProductKeys& operator=(const ProductKeys&) = delete;
};

// Gives an existing key a DACL that lets everyone read it and do nothing
// else, which is what NT grants the product's ordinary user on
// HKEY_LOCAL_MACHINE's software keys; the key's own DACL comes back at the
// end (its owner may always change it).
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const char* subkey);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
    // True when the key now refuses to open with full access.
    bool locked() const;

private:
    HKEY root_;
    std::string subkey_;
    std::vector<char> original_;  // the key's security descriptor, DACL part
};

void create_key(HKEY root, const char* subkey);
void set_text(HKEY root, const char* subkey, const char* name, const std::string& text);
void set_bytes(HKEY root, const char* subkey, const char* name, DWORD type, const void* data, DWORD size);
void set_number(HKEY root, const char* subkey, const char* name, DWORD number);
bool get_number(HKEY root, const char* subkey, const char* name, DWORD* number);

struct Report {
    DWORD process_id = 0;
    std::string module;        // the stand-in's own path
    std::string command_line;  // as the stand-in received it
};

// The reports of the stand-in program kit_child.exe (and its copies), which
// writes one per start into a folder named by KIT_CHILD_REPORTS; this object
// sets that variable for the processes started after it.
class Reports {
public:
    Reports();
    ~Reports();  // ends every stand-in that reported
    Reports(const Reports&) = delete;
    Reports& operator=(const Reports&) = delete;

    // The report of process id, waiting for it to be written.
    bool wait(DWORD process_id, Report* report);
    // Every report written so far; with at_least, waits for that many.
    std::vector<Report> all(size_t at_least = 0);
    // Ends every stand-in that reported and forgets the reports.
    void end_all();

private:
    testkit::TempDir folder_;
};

// Copies the file, replacing any copy there.
bool copy_to(const std::string& from, const std::string& to);

struct ProbeRun {
    DWORD exit_code = 0;
    bool ended = false;   // the probe ended by itself
    std::string output;  // standard output, line ends as the kit printed them
};

// Runs the probe command line; when stop_at is not empty, ends the probe
// once its output contains stop_at. Waits at most two minutes.
ProbeRun run_probe(const std::string& command_line, const std::string& stop_at = "");

// What the kit prints between start and finish. The kit prints through its
// own C runtime, crtdll.dll, whose standard output is not this program's:
// it is redirected to a file with that runtime's own calls.
class KitOutput {
public:
    KitOutput();
    ~KitOutput();
    KitOutput(const KitOutput&) = delete;
    KitOutput& operator=(const KitOutput&) = delete;
    std::string finish();

private:
    HMODULE runtime_;
    std::string file_;
    int saved_ = -1;
};

// HKCU Software\Wine\AppDefaults\<program> values, removed at the end.
class AppDefaults {
public:
    explicit AppDefaults(const std::string& program) : program_(program) {}
    ~AppDefaults();
    AppDefaults(const AppDefaults&) = delete;
    AppDefaults& operator=(const AppDefaults&) = delete;
    // The Windows version the program is shown: "win95", "nt40", ...
    void version(const char* version);
    // Loads the DLL of that name from beside the program (Wine loads its own
    // built-in DLL otherwise).
    void native_dll(const char* dll);
    // Loads no DLL of that name: as on a system that lacks it.
    void missing_dll(const char* dll);

private:
    std::string program_;
};

}  // namespace kit_testing
