// Texts of the uninstall record in the registry: the value names the record
// writer gives and the splitting of key and value records at uninstall.
#pragma once

// Buffer sizes the uninstaller reads records into: key paths and root names
// in path-sized buffers, record texts and value names in larger ones.
enum { kRecordKeySize = 260, kRecordTextSize = 1024 };

// A key or value record taken apart.
struct KeyRecord {
    char root[kRecordKeySize];   // "HKLM", "HKCR", "HKCU", "HKUS" (not checked here)
    char subkey[kRecordKeySize];
    char value[kRecordTextSize];  // empty for a whole-key record
};

// Splits a value record "%s\\%s,%s" (value_record 1) or a whole-key record
// "%s\\%s" (value_record 0): the root name ends at the first "\\", the subkey
// at the first "," after it. 1 when the record has that form and every part
// fits its buffer with its zero byte. 0 otherwise, never cutting a part
// short: a value record without ",", a whole-key record with one, an empty
// root name, a whole-key record with an empty subkey (that would name a whole
// root), or a part too long for its buffer. out is not usable after a 0.
int split_key_record(const char* record, int value_record, KeyRecord* out);

// The value name of a record written at tick count ticks: "%.8lx", into a
// buffer of at least 9 bytes.
void record_name(unsigned long ticks, char* name);
