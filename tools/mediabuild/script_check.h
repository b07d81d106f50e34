// The install list read back with the install script's own scanner.
#pragma once
#include <string>
#include <vector>

// One entry as "NAME|&|DEST" (marked) or "NAME||DEST".
std::string script_entry(const std::string& name, bool marked, const std::string& dest);
// "" when the script reads text as exactly the entries given, in order;
// else what it reads differently.
std::string check_as_script_reads(const std::string& text, const std::vector<std::string>& entries);
