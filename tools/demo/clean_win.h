// A fresh start for the demo: the product and every trace of an earlier
// install or of an earlier run that stopped half-way taken off the machine.
#pragma once
#include <string>

// Stops the programs running from install_folder, deletes the folder, the
// product's keys, its Run, RunOnce and uninstall-list entries, its
// Start-menu folders, the tuning helper in the Windows folder and the
// uninstall's second stage in the Temp folder with its scheduled deletion.
// Prints what it removed; 1 when nothing of it is left.
int remove_product(const std::string& install_folder);
