// The dialog runner and the engine's dialog procedures.
#pragma once
#include "setupinfo.h"

// Template ids of the engine's dialogs and of those a script supplies.
enum {
    kWelcomeDialog = 5000, kPathDialog = 5001, kProgressDialog = 5002,
    kCompleteDialog = 5003, kLicenseDialog = 5004, kOldVersionDialog = 5005,
    kVerifyUninstallDialog = 5006, kRestartDialog = 5007, kInsertDiscDialog = 5008
};

// Calls pre (a null hook counts as 0): below 0, 1 and 2 are returned at once.
// Otherwise shows the modal dialog dialog_id of dialog_instance with
// dialog_proc, as they stand after pre, with info as creation parameter,
// parented to the splash window or the desktop. End value 1 gives post's
// result (0 without post), 2 gives -2, anything else -1.
int run_dialog(SetupInfo* info, StageHook pre, StageHook post, HINSTANCE module, DLGPROC procedure,
               unsigned long id);

// The window dialogs of the engine are parented to: the splash or the desktop.
HWND dialog_parent();

// Centres on the screen; command 1 or 2 ends with that id, closing with 2.
INT_PTR CALLBACK generic_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Shows disc_prompt in control 100 and polls the drives every second until a
// disc with an accepted label is found (ends with 1) or Cancel (ends with 2).
INT_PTR CALLBACK insert_disc_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Index (0 = A:) of the first CD-ROM drive whose volume label equals one of
// disc_labels exactly; -1 when none.
int find_disc(SetupInfo* info);

// The copy dialog's progress bar: its range, 0 .. steps, and its position,
// step of steps. Only the messages of Windows 95's own progress bar are
// sent; above 65,535 steps the range and the positions are scaled down
// alike, so that the last step still fills the bar.
void set_progress_range(HWND bar, unsigned long steps);
void set_progress_position(HWND bar, unsigned long step, unsigned long steps);

// Loads string id of module into out (260 bytes). A string that is missing,
// or of 260 characters or more (it would not fit), counts as missing: then
// fallback goes into out instead. Returns 1 when the string was taken.
int load_text(HINSTANCE module, unsigned int id, char* out, const char* fallback);
