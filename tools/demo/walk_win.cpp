// Walks a program through its dialogs, photographing each one.
#include "walk_win.h"
#include <windows.h>
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "child_win.h"
#include "testkit.h"

namespace {

const DWORD kTimeLimitMs = 300000;
const DWORD kPollMs = 100;
const DWORD kPaintMs = 400;
// A progress display is photographed once its bar is part-way: filled to at
// least this share, read off the screen every kBarPollMs.
const int kPartWayPercent = 40;
const DWORD kBarPollMs = 15;
// Of the program's trace lines only those of hostinfo.dll are shown: they
// name each change of the system's settings that the product asks for. The
// others are counted.
const char kShownTrace[] = "hostinfo: ";

std::string caption_of(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

struct Search {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_dialog(HWND window, LPARAM context) {
    Search* search = (Search*)context;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char kind[32] = "";
    GetClassNameA(window, kind, sizeof kind);
    if (owner == search->process && IsWindowVisible(window) && strcmp(kind, "#32770") == 0)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK print_static_text(HWND control, LPARAM) {
    char kind[32] = "";
    GetClassNameA(control, kind, sizeof kind);
    std::string text = caption_of(control);
    if (strcmp(kind, "Static") == 0 && !text.empty())
        printf("       \"%s\"\n", text.c_str());
    return TRUE;
}

std::string shot_name(const Walk& walk, int number, const std::string& caption) {
    char counted[16];
    snprintf(counted, sizeof counted, "-%02d-", number);
    std::string name = walk.prefix + counted;
    for (char c : caption)
        name += isalnum((unsigned char)c) ? (char)tolower((unsigned char)c) : '-';
    return name + ".png";
}

void take_step(HWND dialog, const std::string& step) {
    int id = atoi(step.c_str());
    size_t colon = step.find(':');
    if (colon != std::string::npos)
        testkit::set_control_text(dialog, id, step.substr(colon + 1));
    else
        testkit::press(dialog, id);
}

BOOL CALLBACK find_progress_bar(HWND control, LPARAM context) {
    char kind[32] = "";
    GetClassNameA(control, kind, sizeof kind);
    if (_stricmp(kind, "msctls_progress32") != 0)
        return TRUE;
    *(HWND*)context = control;
    return FALSE;
}

// How much of the bar's inside shows the highlight colour that a progress
// bar fills with, in percent, read along its middle row on the screen. The
// program that owns the bar runs no message loop while it copies, so the
// bar cannot be asked for its position; it paints each step at once.
int bar_filled_percent(HWND bar) {
    RECT r;
    if (!GetClientRect(bar, &r) || r.right <= 0)
        return 0;
    MapWindowPoints(bar, nullptr, (POINT*)&r, 2);
    int width = r.right - r.left;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    DWORD* row = nullptr;
    HBITMAP bits = CreateDIBSection(screen, &info, DIB_RGB_COLORS, (void**)&row, nullptr, 0);
    int filled = 0;
    if (bits) {
        HGDIOBJ old = SelectObject(memory, bits);
        if (BitBlt(memory, 0, 0, width, 1, screen, r.left, (r.top + r.bottom) / 2, SRCCOPY)) {
            GdiFlush();
            COLORREF fill = GetSysColor(COLOR_HIGHLIGHT);
            DWORD wanted = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
            for (int x = 0; x < width; x++)
                filled += (row[x] & 0xFFFFFF) == wanted;
        }
        SelectObject(memory, old);
        DeleteObject(bits);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return filled * 100 / width;
}

// Waits until the dialog's progress bar is part-way; false when the dialog
// has no bar or went before that.
bool wait_part_way(HWND dialog) {
    HWND bar = nullptr;
    EnumChildWindows(dialog, find_progress_bar, (LPARAM)&bar);
    if (!bar)
        return false;
    DWORD start = GetTickCount();
    while (IsWindow(bar) && IsWindowVisible(dialog) && GetTickCount() - start < kTimeLimitMs) {
        if (bar_filled_percent(bar) >= kPartWayPercent)
            return true;
        Sleep(kBarPollMs);
    }
    return false;
}

// The button a user would press to go on: the default button, else OK.
int default_button(HWND dialog) {
    LRESULT id = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(id) == DC_HASDEFID)
        return LOWORD(id);
    return GetDlgItem(dialog, IDOK) ? IDOK : 0;
}

class Walker {
public:
    explicit Walker(Walk& walk) : walk_(walk) {}

    // One pass over the program's dialogs; 0 when one was not expected.
    int answer_new_dialogs(DWORD process) {
        Search search{process, {}};
        EnumWindows(collect_dialog, (LPARAM)&search);
        int expected = 1;
        for (HWND dialog : search.found) {
            std::string caption = caption_of(dialog);
            if (handled(dialog, caption))
                continue;
            handled_.push_back({dialog, caption});
            expected &= answer(dialog, caption);
        }
        return expected;
    }

private:
    struct Handled {
        HWND window;
        std::string caption;
    };

    bool handled(HWND dialog, const std::string& caption) const {
        for (const Handled& h : handled_)
            if (h.window == dialog && h.caption == caption)
                return true;
        return false;
    }

    Answer* answer_for(const std::string& caption) {
        for (Answer& a : walk_.answers)
            if (a.caption == caption && !a.seen)
                return &a;
        return nullptr;
    }

    void photograph(HWND dialog, const std::string& caption, DWORD paint_ms = kPaintMs) {
        Sleep(paint_ms);
        std::string name = shot_name(walk_, ++shots_, caption);
        if (testkit::save_png(dialog, walk_.shots + "\\" + name))
            printf("   dialog \"%s\": %s\n", caption.c_str(), name.c_str());
        else
            printf("   dialog \"%s\": no screenshot\n", caption.c_str());
    }

    int answer(HWND dialog, const std::string& caption) {
        Answer* a = answer_for(caption);
        if (!a) {
            photograph(dialog, caption);
            printf("     not expected; it says:\n");
            EnumChildWindows(dialog, print_static_text, 0);
            int button = default_button(dialog);
            if (button)
                testkit::press(dialog, button);
            return 0;
        }
        a->seen = true;
        if (a->steps.empty() && wait_part_way(dialog)) {
            // Painted already: the bar shows each step as it is made.
            photograph(dialog, caption, 0);
            return 1;
        }
        for (size_t i = 0; i + 1 < a->steps.size(); i++)
            take_step(dialog, a->steps[i]);
        photograph(dialog, caption);
        if (!a->steps.empty())
            take_step(dialog, a->steps.back());
        fflush(stdout);
        return 1;
    }

    Walk& walk_;
    std::vector<Handled> handled_;
    int shots_ = 0;
};

// Prints the shown trace lines of the program's output as they come and
// counts the others; a last line without its line end is taken at the end.
class Trace {
public:
    void add(const std::string& output) { pending_ += output; }
    void print_lines() {
        size_t end;
        while ((end = pending_.find('\n')) != std::string::npos) {
            print(pending_.substr(0, end));
            pending_.erase(0, end + 1);
        }
        fflush(stdout);
    }
    void finish() {
        print_lines();
        if (!pending_.empty())
            print(pending_);
        if (others_)
            printf("   (%d more trace lines of the program)\n", others_);
    }

private:
    void print(std::string line) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, sizeof kShownTrace - 1, kShownTrace) == 0)
            printf("   | %s\n", line.c_str());
        else
            others_++;
    }
    std::string pending_;
    int others_ = 0;
};

}  // namespace

int parse_answer(const std::string& text, Answer* out) {
    size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return 0;
    Answer parsed;
    parsed.caption = text.substr(0, equals);
    std::string steps = text.substr(equals + 1);
    size_t start = 0;
    while (start < steps.size()) {
        size_t end = steps.find(';', start);
        if (end == std::string::npos)
            end = steps.size();
        std::string step = steps.substr(start, end - start);
        if (atoi(step.c_str()) <= 0)
            return 0;
        parsed.steps.push_back(step);
        start = end + 1;
    }
    *out = parsed;
    return 1;
}

int walk(Walk& walk, const std::string& command_line) {
    Child program;
    if (!program.start_collected(command_line)) {
        printf("   cannot start %s\n", command_line.c_str());
        return 0;
    }
    Walker walker(walk);
    Trace trace;
    int ok = 1;
    DWORD start = GetTickCount();
    while (!program.ended(kPollMs)) {
        std::string output;
        program.output(&output);
        trace.add(output);
        trace.print_lines();
        ok &= walker.answer_new_dialogs(program.id());
        if (GetTickCount() - start > kTimeLimitMs) {
            printf("   still running after %lu s: ended\n", kTimeLimitMs / 1000);
            program.terminate();
            ok = 0;
        }
    }
    std::string output;
    program.output(&output);
    trace.add(output);
    trace.finish();
    for (const Answer& a : walk.answers)
        if (!a.seen) {
            printf("   dialog \"%s\" never appeared\n", a.caption.c_str());
            ok = 0;
        }
    long code = (long)(int)program.exit_code();
    printf("   exit code %ld\n", code);
    return ok && code == 0;
}
