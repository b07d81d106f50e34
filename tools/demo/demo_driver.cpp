// The demo's hands inside Windows: walks setup.exe through its dialogs,
// shows the product running, starts it as Windows and the user would,
// waits for the uninstall's second stage, takes and compares snapshots of
// the machine, and clears an earlier run's traces. Exit code 0 on success,
// 1 when the step found something wrong, 2 for a wrong command line.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "child_win.h"
#include "clean_win.h"
#include "product_win.h"
#include "snapshot_win.h"
#include "walk_win.h"

namespace {

const char kUsage[] =
    "usage: demo_driver COMMAND ARGUMENTS\n"
    "  walk SHOTS PREFIX [CAPTION=STEPS]... -- COMMAND_LINE\n"
    "      runs COMMAND_LINE and answers its dialogs (walk_win.h has the STEPS),\n"
    "      saving a screenshot of each as SHOTS\\PREFIX-NN-CAPTION.png\n"
    "  wait-for-end PROGRAM SECONDS    waits until no PROGRAM (\"setup.exe\") runs\n"
    "  running FOLDER                  the programs running from FOLDER, the named objects\n"
    "  stopped FOLDER                  the same, expecting none of them\n"
    "  spread-windows FOLDER           moves the windows of those programs apart\n"
    "  start-run NAME                  starts the command of the Run value NAME\n"
    "  start-shortcut NAME             starts the Start-menu shortcut Vantrel\\NAME\n"
    "  snapshot FOLDER FILE            writes a snapshot of the machine (FOLDER: the install folder)\n"
    "  added BEFORE AFTER              what AFTER holds that BEFORE does not\n"
    "  left BEFORE AFTER               every difference, by design or not\n"
    "  remove-product FOLDER           takes the product and its traces off the machine\n";

int run_walk(int argc, char** argv) {
    Walk w;
    w.shots = argv[2];
    w.prefix = argv[3];
    int i = 4;
    for (; i < argc && strcmp(argv[i], "--") != 0; i++) {
        Answer answer;
        if (!parse_answer(argv[i], &answer)) {
            fprintf(stderr, "demo_driver: not an answer: %s\n", argv[i]);
            return 2;
        }
        w.answers.push_back(answer);
    }
    std::string command_line;
    for (i++; i < argc; i++)
        command_line += (command_line.empty() ? "" : " ") + std::string(argv[i]);
    if (command_line.empty()) {
        fputs(kUsage, stderr);
        return 2;
    }
    return !walk(w, command_line);
}

int wait_for_end(const char* program, const char* seconds) {
    DWORD start = GetTickCount();
    int ended = wait_until_none_runs(program, (DWORD)atoi(seconds) * 1000);
    printf("   %s %s after %.1f s\n", program, ended ? "ended" : "still runs", (GetTickCount() - start) / 1000.0);
    return !ended;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    int result = 2;
    if (command == "walk" && argc >= 6)
        result = run_walk(argc, argv);
    else if (command == "wait-for-end" && argc == 4)
        result = wait_for_end(argv[2], argv[3]);
    else if (command == "running" && argc == 3)
        result = report_running(argv[2]) != kProductRuns;
    else if (command == "stopped" && argc == 3)
        result = report_running(argv[2]) != kProductGone;
    else if (command == "spread-windows" && argc == 3)
        result = !spread_windows(argv[2]);
    else if (command == "start-run" && argc == 3)
        result = !start_run_value(argv[2]);
    else if (command == "start-shortcut" && argc == 3)
        result = !start_shortcut(argv[2]);
    else if (command == "snapshot" && argc == 4)
        result = !write_snapshot(argv[2], argv[3]);
    else if (command == "added" && argc == 4)
        result = !print_added(argv[2], argv[3]);
    else if (command == "left" && argc == 4)
        result = !print_left(argv[2], argv[3]);
    else if (command == "remove-product" && argc == 3)
        result = !remove_product(argv[2]);
    else
        fputs(kUsage, stderr);
    fflush(stdout);
    return result;
}
