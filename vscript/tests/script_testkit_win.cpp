// Helpers of the script's tests: string table editing and Wine's drive links.
#include "script_testkit.h"
#include <stdlib.h>

namespace scriptkit {

namespace {

// A string table block: 16 counted UTF-16 strings, ids 16 * (block - 1) on.
std::vector<WORD> without_strings(const WORD* block, DWORD size, unsigned first_id, const std::vector<unsigned>& ids) {
    std::vector<WORD> out;
    DWORD at = 0, words = size / 2;
    for (unsigned i = 0; i < 16 && at < words; i++) {
        WORD length = block[at++];
        if (at + length > words)
            length = (WORD)(words - at);
        bool dropped = false;
        for (unsigned id : ids)
            dropped |= id == first_id + i;
        out.push_back(dropped ? 0 : length);
        if (!dropped)
            out.insert(out.end(), block + at, block + at + length);
        at += length;
    }
    return out;
}

BOOL CALLBACK first_language(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    *(WORD*)found = language;
    return FALSE;
}

bool drop_block_strings(HANDLE update, HMODULE original, unsigned block_id, const std::vector<unsigned>& ids) {
    WORD language = 0;
    EnumResourceLanguagesA(original, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(block_id), first_language, (LONG_PTR)&language);
    HRSRC found = FindResourceExA(original, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(block_id), language);
    HGLOBAL loaded = found ? LoadResource(original, found) : nullptr;
    const WORD* block = loaded ? (const WORD*)LockResource(loaded) : nullptr;
    if (!block)
        return true;  // no such block: nothing to take out
    std::vector<WORD> edited = without_strings(block, SizeofResource(original, found), (block_id - 1) * 16, ids);
    return UpdateResourceA(update, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(block_id), language, edited.data(),
                           (DWORD)(edited.size() * 2)) != 0;
}

}  // namespace

bool copy_language_library_without(const std::string& from, const std::string& to,
                                   const std::vector<unsigned>& ids) {
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        return false;
    HMODULE original = LoadLibraryExA(from.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!original)
        return false;
    HANDLE update = BeginUpdateResourceA(to.c_str(), FALSE);
    bool ok = update != nullptr;
    for (unsigned id : ids)
        ok = ok && drop_block_strings(update, original, id / 16 + 1, ids);
    FreeLibrary(original);
    return update && EndUpdateResourceA(update, !ok) && ok;
}

EmulatedDrive::EmulatedDrive(char letter, const std::string& folder) : letter_(letter) {
    const char* prefix = getenv("WINEPREFIX");
    if (!prefix || folder.size() < 3 || toupper(folder[0]) != 'C' || folder[1] != ':')
        return;
    std::string target = std::string(prefix) + "/drive_c" + folder.substr(2);
    for (char& c : target)
        if (c == '\\')
            c = '/';
    link_ = std::string(prefix) + "/dosdevices/" + (char)tolower(letter) + ":";
    // Wine starts Unix programs too: ln makes the link the drive letter reads.
    std::string command = "Z:\\bin\\ln -sfn \"" + target + "\" \"" + link_ + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string root = this->root();
    for (int i = 0; i < 50 && GetDriveTypeA(root.c_str()) != DRIVE_FIXED; i++)
        Sleep(100);
    ready_ = GetDriveTypeA(root.c_str()) == DRIVE_FIXED;
}

EmulatedDrive::~EmulatedDrive() {
    if (link_.empty())
        return;
    std::string command = "Z:\\bin\\rm -f \"" + link_ + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace scriptkit
