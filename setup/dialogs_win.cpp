// The dialog runner, the generic and insert-disc dialogs, the disc search.
#include "dialogs.h"
#include <commctrl.h>
#include <string.h>
#include "window.h"

HWND dialog_parent() {
    return splash_window ? splash_window : GetDesktopWindow();
}

int run_dialog(SetupInfo* info, StageHook pre, StageHook post, HINSTANCE module, DLGPROC procedure,
               unsigned long id) {
    HWND parent = dialog_parent();
    info->dialog_instance = module;
    info->dialog_proc = procedure;
    info->dialog_id = id;
    int result = pre ? pre(info, info->hook_context) : 0;
    if (result < 0 || result == 1 || result == 2)
        return result;
    INT_PTR end = DialogBoxParamA(info->dialog_instance, MAKEINTRESOURCEA(info->dialog_id), parent,
                                  info->dialog_proc, (LPARAM)info);
    if (end == 1)
        return post ? post(info, info->hook_context) : 0;
    if (end == 2)
        return -2;
    return -1;
}

INT_PTR CALLBACK generic_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        Center(nullptr, dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == 1 || LOWORD(wparam) == 2)
            EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

int find_disc(SetupInfo* info) {
    for (char letter = 'A'; letter <= 'Z'; letter++) {
        char root[4] = {letter, ':', '\\', 0};
        if (GetDriveTypeA(root) != DRIVE_CDROM)
            continue;
        char label[261] = "";
        if (!GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0))
            continue;
        for (unsigned int i = 0; i < info->disc_labels.count; i++) {
            kString* accepted = info->disc_labels.items[i];
            if (accepted && accepted->text && strcmp(accepted->text, label) == 0)
                return letter - 'A';
        }
    }
    return -1;
}

static const UINT_PTR kDiscTimer = 1;

INT_PTR CALLBACK insert_disc_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    SetupInfo* info = (SetupInfo*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        Center(nullptr, dialog);
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        info = (SetupInfo*)lparam;
        SetDlgItemTextA(dialog, 100, info->disc_prompt.text ? info->disc_prompt.text : "");
        SetTimer(dialog, kDiscTimer, 1000, nullptr);
        return TRUE;
    case WM_TIMER: {
        if (wparam != kDiscTimer || !info)
            return TRUE;
        int drive = find_disc(info);
        if (drive >= 0) {
            info->disc_drive = drive;
            KillTimer(dialog, kDiscTimer);
            EndDialog(dialog, 1);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == 2)
            EndDialog(dialog, 2);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 2);
        return TRUE;
    case WM_DESTROY:
        KillTimer(dialog, kDiscTimer);
        return FALSE;
    }
    return FALSE;
}

int SetupInfo::QueryInsertDisc(HINSTANCE module) {
    int drive = find_disc(this);
    if (drive >= 0) {
        disc_drive = drive;
        return drive;
    }
    int result = run_dialog(this, InsertDiscPre, InsertDiscPost, module, insert_disc_proc, kInsertDiscDialog);
    if (result < 0)
        return -1;
    return disc_drive;
}

int load_text(HINSTANCE module, unsigned int id, char* out, const char* fallback) {
    // Loaded with room to tell: into 260 bytes a string could never come
    // back with 260 characters, and a longer one would be cut silently.
    char text[1024];
    int length = LoadStringA(module, id, text, sizeof text);
    if (length <= 0 || length >= 260) {
        lstrcpynA(out, fallback, 260);
        return 0;
    }
    memcpy(out, text, length + 1);
    return 1;
}

// Windows 95's own progress bar takes a 16-bit range (PBM_SETRANGE32 came
// with Internet Explorer 3): above 65,535 steps each unit of the bar stands
// for several steps.
static unsigned long steps_per_unit(unsigned long steps) {
    return steps / 0x10000 + 1;
}

void set_progress_range(HWND bar, unsigned long steps) {
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, steps / steps_per_unit(steps)));
}

void set_progress_position(HWND bar, unsigned long step, unsigned long steps) {
    SendMessageA(bar, PBM_SETPOS, step / steps_per_unit(steps), 0);
}
