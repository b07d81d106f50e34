// Test helpers shared by the Windows test programs: temporary folders and
// files, running programs with their output, driving dialogs, screenshots,
// and the emulated CD drive.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace testkit {

// A fresh folder under the temporary folder, removed with all its contents
// when the object goes.
class TempDir {
public:
    explicit TempDir(const char* tag = "kt");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

bool write_file(const std::string& path, const std::string& bytes);
bool read_file(const std::string& path, std::string* bytes);
bool file_exists(const std::string& path);
bool folder_exists(const std::string& path);
// Removes a folder and everything in it.
void remove_tree(const std::string& path);
// Folder of the running test program (where the built binaries are).
std::string bin_folder();

struct ProcessResult {
    bool started = false;
    DWORD exit_code = 0;
    std::string output;  // standard output and standard error together
};

// Runs command_line (program path first) in folder (null: current) and waits
// up to timeout_ms; a program still running then is terminated (exit code
// 0xDEADDEAD). Its standard output is collected through a pipe.
ProcessResult run_process(const std::string& command_line, const char* folder = nullptr,
                          DWORD timeout_ms = 60000);

// Starts command_line without waiting; returns the process handle (or null).
HANDLE start_process(const std::string& command_line, const char* folder = nullptr);

// run_process on a thread of its own while drive() answers the program's
// dialogs on this one; returns when both have ended.
ProcessResult run_driven(const std::string& command_line, DWORD timeout_ms, const std::function<void()>& drive);

// Registry keys and named mutexes, whichever process made them.
bool key_exists(HKEY root, const std::string& path);
bool mutex_exists(const char* name);

// Dialogs of any process, found by caption.
HWND wait_dialog(const char* caption, DWORD timeout_ms = 20000);
// Waits until no dialog with that caption exists; false on time-out.
bool wait_dialog_gone(const char* caption, DWORD timeout_ms = 20000);
std::string control_text(HWND dialog, int id);
void set_control_text(HWND dialog, int id, const std::string& text);
bool control_enabled(HWND dialog, int id);
// Presses a button (BM_CLICK, posted so that a modal loop in the same
// thread is not needed).
void press(HWND dialog, int id);
// Presses button in the dialog with caption and waits until the dialog has
// gone; false when it never came or stayed.
bool answer(const char* caption, int button);
// Saves what the window shows on the screen as a PNG file.
bool save_png(HWND window, const std::string& path);

// The emulated CD-ROM drive R: of the test prefix. Its volume label is fixed
// when Wine's services start (Wine's mount manager reads it once and keeps
// it), so tests cannot swap discs: they change which labels they accept.
struct CdDrive {
    static const char* root() { return "R:\\"; }
    static int index() { return 'R' - 'A'; }
    static const char* label() { return "VANTREL_TEST_CD"; }
    // True when the drive is a CD-ROM drive showing label().
    static bool ready();
};

}  // namespace testkit
