// The installed product as it runs: its programs, found by where their
// files lie, and the named objects through which the installer finds them
// and asks them to close.
#pragma once
#include <string>

enum ProductState { kProductRuns, kProductGone, kProductPartly };

// Prints the programs running from folder and the state of the product's
// named objects. kProductRuns when the main application, the local proxy
// and the DDE process run (their mutexes are held and the DDE process's id
// in its shared memory is one of those programs); kProductGone when no
// program runs from folder and none of the objects exists.
ProductState report_running(const std::string& folder);

// Moves the windows of the programs running from folder apart, so that a
// picture of the desktop shows each of them; 1 when there was one.
int spread_windows(const std::string& folder);

// Starts the command of the Run value name, as Windows does at the next
// logon; 1 when it started.
int start_run_value(const char* name);

// Starts the shortcut "Vantrel\<name>.lnk" of the first Programs folder that
// has it, as a user does from the Start menu; 1 when it started.
int start_shortcut(const char* name);

// Asks every program running from folder to close as the installer does
// (the close events, the DDE process's stop word) and ends those still
// running after 3 s. Prints what it stopped; 1 when none runs any more.
int stop_running(const std::string& folder);
