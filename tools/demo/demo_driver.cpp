// Walks a program through its dialogs: starts the command line, and for each
// dialog of that process that appears saves a screenshot as a PNG in the
// output folder and presses its default button (dialogs without buttons,
// such as a progress display, are only photographed). Prints one line per
// screenshot and ends with the program's exit code.
//
//   demo_driver OUTPUT_FOLDER PREFIX COMMAND_LINE...
#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>
#include "testkit.h"

namespace {

struct Seen {
    HWND window;
    std::string caption;
};

struct Search {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM context) {
    Search* search = (Search*)context;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (owner == search->process && IsWindowVisible(window) && strcmp(cls, "#32770") == 0)
        search->found.push_back(window);
    return TRUE;
}

std::string caption_of(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string file_name(int n, const std::string& prefix, const std::string& caption) {
    char number[8];
    snprintf(number, sizeof number, "%02d", n);
    std::string name = prefix + "-" + number + "-";
    for (char c : caption)
        name += isalnum((unsigned char)c) ? (char)tolower((unsigned char)c) : '-';
    return name + ".png";
}

// The button a user would press to go on: the default button, else OK.
int default_button(HWND dialog) {
    LRESULT id = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(id) == DC_HASDEFID)
        return LOWORD(id);
    return GetDlgItem(dialog, IDOK) ? IDOK : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: demo_driver OUTPUT_FOLDER PREFIX COMMAND_LINE...\n");
        return 2;
    }
    std::string folder = argv[1], prefix = argv[2], line;
    for (int i = 3; i < argc; i++) {
        if (i > 3)
            line += " ";
        line += argv[i];
    }
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process)) {
        fprintf(stderr, "cannot start %s\n", line.c_str());
        return 2;
    }
    std::vector<Seen> seen;
    int shots = 0;
    while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
        Search search{process.dwProcessId, {}};
        EnumWindows(collect, (LPARAM)&search);
        for (HWND dialog : search.found) {
            std::string caption = caption_of(dialog);
            bool known = false;
            for (const Seen& s : seen)
                known = known || (s.window == dialog && s.caption == caption);
            if (known)
                continue;
            seen.push_back({dialog, caption});
            Sleep(400);  // let it paint
            std::string path = folder + "\\" + file_name(++shots, prefix, caption);
            if (testkit::save_png(dialog, path))
                printf("dialog \"%s\": %s\n", caption.c_str(), path.c_str());
            fflush(stdout);
            int button = default_button(dialog);
            if (button)
                testkit::press(dialog, button);
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    printf("exit code %ld\n", (long)code);
    return 0;
}
