// What an install and an uninstall change on this machine: a snapshot of
// the places where the product leaves traces, one line per key, value,
// folder, file and deletion scheduled for the next start, and the
// comparison of two snapshots.
#pragma once
#include <string>

// Writes the snapshot, sorted, into file (one line each): the product's
// registry trees, Run and RunOnce, the uninstall list, the TCP/IP
// parameters the tuning changes, the install folder, the Programs folders
// of every user, the Windows folder and its Temp folder, and the renames and
// deletions waiting for the next start. 1 when the file was written.
int write_snapshot(const std::string& install_folder, const std::string& file);

// Prints what after holds that before does not, in short: each new key with
// the number of its new values, each new folder and file.
int print_added(const std::string& before, const std::string& after);

// Prints each difference between the two snapshots and whether the product
// leaves it by design: the tuning helper hdlutil in the Windows folder, the
// component's version record "_vmin" with the keys above it, and the second
// stage's setup.exe in the Temp folder when its deletion at the next start
// is scheduled. 1 when nothing else differs.
int print_left(const std::string& before, const std::string& after);
