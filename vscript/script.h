// The install script's shared state and the helpers its hooks share. All
// hooks run on setup.exe's one thread, one at a time.
#pragma once
#include <windows.h>
#include "kregkey.h"
#include "setupinfo.h"

// Keys and names of the product.
#define VANTREL_COMPANY_KEY "Software\\Halvern Dynamics Limited"
#define VANTREL_PRODUCT_KEY "Software\\Halvern Dynamics Limited\\Vantrel"
#define VANTREL_SETTINGS_KEY "Software\\Halvern Dynamics Limited\\Vantrel\\Settings"
#define VANTREL_SNAPSHOT_KEY "Software\\Halvern Dynamics Limited\\SavedVantrel"
#define VANTREL_MARKER_KEY "SOFTWARE\\vuninst"
#define VANTREL_COMPONENT_KEY "Software\\Halvern Dynamics Limited\\Collector\\Alpha000"
#define STARTUP_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
#define RUNONCE_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
#define SHELL_FOLDERS_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
#define BUILD_TAG "build160"

extern HMODULE language_module;
extern HWND script_splash;
extern int tune_network;
extern int lan_connection;
extern int replacing_previous;
extern char archive_path[260];
extern char pad_path[260];
extern char group_name[260];
extern int keep_aggressive, keep_prefetch;
extern HANDLE app_event, button_event;

// String id of the language library into out (260 bytes); a missing string,
// or one of 260 characters or more, gives the fallback instead.
void load_text(unsigned int id, char* out, const char* fallback);
// "%s\\%s" of a and b into out (260 bytes); 0, with out empty, when it
// would not fit.
int join(char* out, const char* a, const char* b);
// join for a path the install cannot do without: one that does not fit is
// shown to the user in a message box (the whole path, so that it names its
// entry) and gives 0.
int join_needed(char* out, const char* a, const char* b);
// A text value of up to 259 characters into out (260 bytes), terminated
// whether or not it was stored with its zero; 1 when it was read (at least
// one byte). A longer value is not read and out is left as it was.
int get_text(kRegKey& key, const char* name, char* out);
int read_text(HKEY root, const char* subkey, const char* name, char* out);
// The text of a kString, "" when unset.
const char* text_of(const kString& s);

// Running-instance shutdown: the product's named objects.
int send_shutdown_signal();
int dde_process_running();
int stop_dde_process();
// The waits for the proxy's and the main application's end poll once a
// second for as long as the program runs. Every 30 seconds of waiting the
// user is told which program still runs and chooses between waiting on and
// stopping: 1 when the program ended, 0 when the user chose to stop.
int wait_for_proxy_end();
int wait_for_main_application_end();
// The same wait for any program that holds mutex_name, asking after
// ask_after milliseconds.
int wait_for_program_end(const char* mutex_name, const char* program, unsigned long ask_after);
int main_application_running();

// Uninstall: whether the cache folder named by the product key may be
// deleted as a whole tree; a refused folder is not touched at all. Never a
// network path, a device or link, a drive root, the Windows or System
// folder or anything below them, nor a folder that is or holds the install
// folder, Program Files, a profile, the profiles' folder or a shell folder
// of any user; nothing when one of those cannot be read.
int cache_tree_deletable(const char* cache, SetupInfo* info);

// Network tuning.
int run_tuning_probe(const char* tag, const char* folder);

// Settings: defaults and restored entries for keys, snapshot, marker.
void append_setting_entries(SetupInfo* info);
void take_settings_snapshot();
// Once a completed install has written the restored values: the snapshot and
// the replace marker go (only in a replace; a snapshot without a marker
// waits for one).
void forget_replaced_settings();

// User profiles: the Programs folder of the default user and each profile.
typedef void (*FolderCallback)(const char* folder, void* context);
int for_each_programs_folder(FolderCallback callback, void* context);
struct LinkDescriptor {
    SetupInfo* info;
    const char* link_path;  // relative to a Programs folder
    const char* target;
    const char* arguments;  // null when the shortcut has none
    int icon_index;
    int failed;  // set when a link path did not fit: the walk adds no more
};
void add_link_to_folder(const char* folder, void* descriptor);
void remove_named_folder(const char* folder, void* folder_name);
void remove_link_folder(const char* folder);
