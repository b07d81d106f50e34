// The places on this machine where the product leaves its traces: the
// Windows folder, the Programs folders of every user, the product's keys.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#define DEMO_COMPANY_KEY "Software\\Halvern Dynamics Limited"
#define DEMO_RUN_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
#define DEMO_RUNONCE_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
#define DEMO_UNINSTALL_LIST "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"

std::string windows_folder();
// The folder where the uninstall's second stage runs: the Windows folder's Temp.
std::string windows_temp_folder();

// 1 and *out set when the text value exists; 0 and *out untouched otherwise.
int read_text(HKEY root, const char* key, const char* name, std::string* out);

// The Start menu's Programs folders: the common one (NT), the current
// user's, the default user's and every user profile's (the Windows 95
// family keeps the profiles under ProfileList), each named once.
std::vector<std::string> programs_folders();

bool same_text(const std::string& a, const std::string& b);
bool starts_with_text(const std::string& text, const std::string& start);
