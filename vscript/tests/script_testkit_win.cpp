// Helpers of the script's tests: string table editing and Wine's drive links.
#include "script_testkit.h"
#include <stdlib.h>
#include "testkit.h"

namespace scriptkit {

namespace {

// A string table block: 16 counted UTF-16 strings, ids 16 * (block - 1) on.
// Strings named in changes get the new text; an empty text takes them out.
std::vector<WORD> changed_strings(const WORD* block, DWORD size, unsigned first_id, const StringChanges& changes) {
    std::vector<WORD> out;
    DWORD at = 0, words = size / 2;
    for (unsigned i = 0; i < 16 && at < words; i++) {
        WORD length = block[at++];
        if (at + length > words)
            length = (WORD)(words - at);
        auto change = changes.find(first_id + i);
        if (change == changes.end()) {
            out.push_back(length);
            out.insert(out.end(), block + at, block + at + length);
        } else {
            out.push_back((WORD)change->second.size());
            out.insert(out.end(), change->second.begin(), change->second.end());
        }
        at += length;
    }
    return out;
}

BOOL CALLBACK first_language(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    *(WORD*)found = language;
    return FALSE;
}

bool change_block_strings(HANDLE update, HMODULE original, unsigned block_id, const StringChanges& changes) {
    WORD language = 0;
    EnumResourceLanguagesA(original, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(block_id), first_language, (LONG_PTR)&language);
    HRSRC found = FindResourceExA(original, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(block_id), language);
    HGLOBAL loaded = found ? LoadResource(original, found) : nullptr;
    const WORD* block = loaded ? (const WORD*)LockResource(loaded) : nullptr;
    if (!block)
        return true;  // no such block: nothing to take out
    std::vector<WORD> edited = changed_strings(block, SizeofResource(original, found), (block_id - 1) * 16, changes);
    return UpdateResourceA(update, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(block_id), language, edited.data(),
                           (DWORD)(edited.size() * 2)) != 0;
}

// A folder on C: as a path in the Unix file system of the Wine prefix;
// empty outside Wine or for another drive.
std::string unix_path(const std::string& folder) {
    const char* prefix = getenv("WINEPREFIX");
    if (!prefix || folder.size() < 3 || toupper(folder[0]) != 'C' || folder[1] != ':')
        return std::string();
    std::string path = std::string(prefix) + "/drive_c" + folder.substr(2);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

// Starts a Unix program (Wine starts those too). Its process may end in
// Wine's eyes before the Unix program has done its work: callers wait for
// the outcome.
void run_unix(std::string command) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

bool make_folder_link(const std::string& link, const std::string& target) {
    CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    DWORD attributes = GetFileAttributesA(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        std::string from = unix_path(link), to = unix_path(target);
        if (!from.empty() && !to.empty())
            run_unix("Z:\\bin\\ln -sfn \"" + to + "\" \"" + from + "\"");
        for (int i = 0; i < 50 && (attributes = GetFileAttributesA(link.c_str())) == INVALID_FILE_ATTRIBUTES; i++)
            Sleep(100);
    }
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool under_wine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

bool remove_folder_link(const std::string& link) {
    if (!RemoveDirectoryA(link.c_str()) && !DeleteFileA(link.c_str()) && !unix_path(link).empty())
        run_unix("Z:\\bin\\rm -f \"" + unix_path(link) + "\"");
    for (int i = 0; i < 50 && GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; i++)
        Sleep(100);
    return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool copy_language_library_without(const std::string& from, const std::string& to,
                                   const std::vector<unsigned>& ids) {
    StringChanges changes;
    for (unsigned id : ids)
        changes[id] = std::string();
    return copy_language_library_changed(from, to, changes);
}

bool copy_language_library_changed(const std::string& from, const std::string& to, const StringChanges& changes) {
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        return false;
    HMODULE original = LoadLibraryExA(from.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!original)
        return false;
    HANDLE update = BeginUpdateResourceA(to.c_str(), FALSE);
    bool ok = update != nullptr;
    for (const auto& change : changes)
        ok = ok && change_block_strings(update, original, change.first / 16 + 1, changes);
    FreeLibrary(original);
    return update && EndUpdateResourceA(update, !ok) && ok;
}

EmulatedDrive::EmulatedDrive(char letter, const std::string& folder) : letter_(letter) {
    std::string target = unix_path(folder);
    if (target.empty())
        return;
    link_ = std::string(getenv("WINEPREFIX")) + "/dosdevices/" + (char)tolower(letter) + ":";
    // ln makes the link the drive letter reads.
    run_unix("Z:\\bin\\ln -sfn \"" + target + "\" \"" + link_ + "\"");
    std::string root = this->root();
    for (int i = 0; i < 50 && GetDriveTypeA(root.c_str()) != DRIVE_FIXED; i++)
        Sleep(100);
    ready_ = GetDriveTypeA(root.c_str()) == DRIVE_FIXED;
}

EmulatedDrive::~EmulatedDrive() {
    if (!link_.empty())
        run_unix("Z:\\bin\\rm -f \"" + link_ + "\"");
}

DialogWatch::DialogWatch(const char* caption, int button, int text_id) {
    std::string title = caption;
    thread_ = std::thread([this, title, button, text_id] {
        while (!done_) {
            HWND dialog = FindWindowA("#32770", title.c_str());
            if (dialog && IsWindowVisible(dialog)) {
                seen_++;
                if (text_id)
                    text_ = testkit::control_text(dialog, text_id);
                testkit::press(dialog, button);
                testkit::wait_dialog_gone(title.c_str(), 5000);
            }
            Sleep(20);
        }
    });
}

DialogWatch::~DialogWatch() {
    finish();
}

void DialogWatch::finish() {
    done_ = true;
    if (thread_.joinable())
        thread_.join();
}

int DialogWatch::seen() {
    finish();
    return seen_;
}

const std::string& DialogWatch::text() {
    finish();
    return text_;
}

}  // namespace scriptkit
