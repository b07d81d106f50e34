// Test helpers: files, processes, dialogs, screenshots, the emulated CD drive.
#include "testkit.h"
#include <zlib.h>
#include <stdio.h>
#include <string.h>
#include <thread>
#include <vector>

namespace testkit {

TempDir::TempDir(const char* tag) {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static LONG counter;
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%s%s%lu_%ld", base, tag, GetCurrentProcessId(),
                 InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

TempDir::~TempDir() {
    remove_tree(path_);
}

bool write_file(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool read_file(const std::string& path, std::string* bytes) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes->clear();
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0)
        bytes->append(block, n);
    fclose(f);
    return true;
}

bool file_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folder_exists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void remove_tree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            // A link goes itself; what it shows is never entered.
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                if (!RemoveDirectoryA(full.c_str()))
                    DeleteFileA(full.c_str());
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::string bin_folder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path, n);
    return p.substr(0, p.rfind('\\'));
}

static HANDLE launch(const std::string& command_line, const char* folder, HANDLE output) {
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    if (output) {
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        start.hStdOutput = output;
        start.hStdError = output;
    }
    PROCESS_INFORMATION process;
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr, folder,
                        &start, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

HANDLE start_process(const std::string& command_line, const char* folder) {
    return launch(command_line, folder, nullptr);
}

// Appends up to available bytes of the pipe to output.
static bool read_some(HANDLE pipe, DWORD available, std::string* output) {
    char block[4096];
    DWORD n = 0;
    if (!ReadFile(pipe, block, available < sizeof block ? available : sizeof block, &n, nullptr))
        return false;
    output->append(block, n);
    return true;
}

ProcessResult run_process(const std::string& command_line, const char* folder, DWORD timeout_ms) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end, write_end;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0))
        return result;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    HANDLE process = launch(command_line, folder, write_end);
    CloseHandle(write_end);
    if (!process) {
        CloseHandle(read_end);
        return result;
    }
    result.started = true;
    // Read until the pipe closes (the child and anything it started that
    // inherited the pipe are gone) or the time is up.
    DWORD start = GetTickCount();
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr))
            break;
        if (available) {
            if (!read_some(read_end, available, &result.output))
                break;
            continue;
        }
        if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) {
            // Drain what is left, then stop.
            while (PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr) && available &&
                   read_some(read_end, available, &result.output)) {
            }
            break;
        }
        if (GetTickCount() - start > timeout_ms) {
            TerminateProcess(process, 0xDEADDEAD);
            WaitForSingleObject(process, 5000);
            break;
        }
    }
    GetExitCodeProcess(process, &result.exit_code);
    CloseHandle(process);
    CloseHandle(read_end);
    return result;
}

ProcessResult run_driven(const std::string& command_line, DWORD timeout_ms, const std::function<void()>& drive) {
    ProcessResult result;
    std::thread runner([&] { result = run_process(command_line, nullptr, timeout_ms); });
    drive();
    runner.join();
    return result;
}

bool key_exists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool mutex_exists(const char* name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (mutex)
        CloseHandle(mutex);
    return mutex != nullptr;
}

HWND wait_dialog(const char* caption, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindWindowA("#32770", caption);
        if (found && IsWindowVisible(found))
            return found;
        if (GetTickCount() - start > timeout_ms)
            return nullptr;
        Sleep(50);
    }
}

bool wait_dialog_gone(const char* caption, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (FindWindowA("#32770", caption)) {
        if (GetTickCount() - start > timeout_ms)
            return false;
        Sleep(50);
    }
    return true;
}

std::string control_text(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return std::string();
    LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(length + 1);
    SendMessageA(control, WM_GETTEXT, length + 1, (LPARAM)text.data());
    return std::string(text.data());
}

void set_control_text(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, (LPARAM)text.c_str());
}

bool control_enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != 0;
}

void press(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool answer(const char* caption, int button) {
    HWND dialog = wait_dialog(caption);
    if (!dialog)
        return false;
    press(dialog, button);
    return wait_dialog_gone(caption);
}

static void put_be32(std::string& out, unsigned long v) {
    out += (char)(v >> 24);
    out += (char)(v >> 16);
    out += (char)(v >> 8);
    out += (char)v;
}

static void put_chunk(std::string& out, const char* type, const std::string& data) {
    put_be32(out, (unsigned long)data.size());
    std::string body = std::string(type, 4) + data;
    out += body;
    put_be32(out, crc32(0, (const Bytef*)body.data(), (uInt)body.size()));
}

// Encodes 24-bit bottom-up BGR rows (DIB order) as an RGB PNG.
static std::string encode_png(const unsigned char* bits, int width, int height, int stride) {
    std::string raw;
    raw.reserve((size_t)(width * 3 + 1) * height);
    for (int y = 0; y < height; y++) {
        const unsigned char* row = bits + (size_t)(height - 1 - y) * stride;
        raw += '\0';
        for (int x = 0; x < width; x++) {
            raw += (char)row[x * 3 + 2];
            raw += (char)row[x * 3 + 1];
            raw += (char)row[x * 3];
        }
    }
    uLongf packed_size = compressBound((uLong)raw.size());
    std::string packed(packed_size, '\0');
    compress2((Bytef*)&packed[0], &packed_size, (const Bytef*)raw.data(), (uLong)raw.size(), 6);
    packed.resize(packed_size);
    std::string header;
    put_be32(header, width);
    put_be32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", packed);
    put_chunk(png, "IEND", std::string());
    return png;
}

bool save_png(HWND window, const std::string& path) {
    RECT r;
    if (!GetWindowRect(window, &r))
        return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (shot) {
        HGDIOBJ old = SelectObject(memory, shot);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != 0;
        GdiFlush();
        if (ok)
            ok = write_file(path, encode_png((unsigned char*)bits, width, height, (width * 3 + 3) & ~3));
        SelectObject(memory, old);
        DeleteObject(shot);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool CdDrive::ready() {
    char seen[MAX_PATH + 1] = "";
    if (GetDriveTypeA(root()) != DRIVE_CDROM)
        return false;
    GetVolumeInformationA(root(), seen, sizeof seen, nullptr, nullptr, nullptr, nullptr, 0);
    return strcmp(seen, label()) == 0;
}

}  // namespace testkit
