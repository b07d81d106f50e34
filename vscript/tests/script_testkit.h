// Helpers of the script's tests: a copy of the language library without
// some of its strings, and a drive letter emulated by Wine for a folder.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace scriptkit {

// String ids with their new texts (ASCII); an empty text takes the string out.
typedef std::map<unsigned, std::string> StringChanges;

// Copies the language library from to to and takes the given string ids out
// of the copy's string table (the rest stays as it was). False when the copy
// or the resource update fails.
bool copy_language_library_without(const std::string& from, const std::string& to,
                                   const std::vector<unsigned>& ids);
// The same copy with the given strings changed or taken out.
bool copy_language_library_changed(const std::string& from, const std::string& to, const StringChanges& changes);

// A symbolic link (a reparse point) at link showing the folder target (both
// on C:): CreateSymbolicLinkA where the system makes one; under Wine, whose
// call returns success without making anything, a Unix symbolic link in the
// test prefix, which Wine shows as a reparse point. False when neither
// worked.
bool make_folder_link(const std::string& link, const std::string& target);
// Whether the tests run under Wine (its ntdll exports wine_get_version).
bool under_wine();
// Removes such a link, never what it shows; true when it is gone.
bool remove_folder_link(const std::string& link);

// Wine-only: drive letter X: as a fixed drive showing folder (a folder on
// C:), made through the test prefix's "dosdevices" link and removed again
// when the object goes. ready() is false outside Wine or when the link could
// not be made.
class EmulatedDrive {
public:
    EmulatedDrive(char letter, const std::string& folder);
    ~EmulatedDrive();
    EmulatedDrive(const EmulatedDrive&) = delete;
    EmulatedDrive& operator=(const EmulatedDrive&) = delete;
    bool ready() const { return ready_; }
    std::string root() const { return std::string(1, letter_) + ":\\"; }

private:
    char letter_;
    std::string link_;
    bool ready_ = false;
};

// While a hook runs on this thread, answers every dialog of the given
// caption that appears with button (from a thread of its own), keeping the
// text of its static control text_id (0xFFFF: a message box's text).
class DialogWatch {
public:
    DialogWatch(const char* caption, int button, int text_id = 0);
    ~DialogWatch();
    DialogWatch(const DialogWatch&) = delete;
    DialogWatch& operator=(const DialogWatch&) = delete;
    // How many came, and the last one's text, once watching has ended.
    int seen();
    const std::string& text();

private:
    void finish();
    std::thread thread_;
    volatile bool done_ = false;
    int seen_ = 0;
    std::string text_;
};

}  // namespace scriptkit
