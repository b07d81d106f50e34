// Shared pieces of the fuzz targets: a private scratch folder, writing the
// input to a file there, and silencing the readers' trace lines.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <string>

// The scratch folder of this process (made on first use).
const std::string& scratch();
// Writes n bytes to scratch()/name and returns the path.
std::string put_input(const char* name, const uint8_t* data, size_t n);
// Sends standard output to /dev/null: the readers' trace lines would flood
// the fuzzer's log.
void quiet_stdout();
