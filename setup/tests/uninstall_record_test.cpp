// Splitting of key and value records and the names of record values.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "uninstall_record.h"

struct SplitCase {
    int line;
    const char* record;
    int value_record;
    int ok;
    const char* root;
    const char* subkey;
    const char* value;
};

TEST(SplitKeyRecord, FormsOfRecords) {
    const SplitCase cases[] = {
        {__LINE__, "HKCU\\Software\\X,Y", 1, 1, "HKCU", "Software\\X", "Y"},
        {__LINE__, "HKLM\\Software\\X", 0, 1, "HKLM", "Software\\X", ""},
        {__LINE__, "HKLM\\Software\\X,", 1, 1, "HKLM", "Software\\X", ""},
        {__LINE__, "HKLM\\Software\\X,a,b", 1, 1, "HKLM", "Software\\X", "a,b"},
        {__LINE__, "HKLM\\,Y", 1, 1, "HKLM", "", "Y"},
        {__LINE__, "HKLM\\Software\\X", 1, 0, "", "", ""},   // a value record needs its ","
        {__LINE__, "HKLM\\Software\\X,Y", 0, 0, "", "", ""}, // a whole-key record has none
        {__LINE__, "HKLM\\", 0, 0, "", "", ""},              // would name the whole root
        {__LINE__, "HKLM", 0, 0, "", "", ""},
        {__LINE__, "\\Software\\X", 0, 0, "", "", ""},
        {__LINE__, "", 1, 0, "", "", ""},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.line);
        KeyRecord parts;
        memset(&parts, 0xbd, sizeof parts);
        ASSERT_EQ(c.ok, split_key_record(c.record, c.value_record, &parts));
        if (!c.ok)
            continue;
        EXPECT_STREQ(c.root, parts.root);
        EXPECT_STREQ(c.subkey, parts.subkey);
        if (c.value_record) {
            EXPECT_STREQ(c.value, parts.value);
        }
    }
}

// Records longer than the buffers are refused whole, never cut short: a
// shortened key path names another key.
TEST(SplitKeyRecord, LongPartsAreRefusedNotCut) {
    KeyRecord parts;
    std::string fits = "HKLM\\" + std::string(kRecordKeySize - 1, 'k');
    EXPECT_EQ(1, split_key_record(fits.c_str(), 0, &parts));
    EXPECT_EQ(kRecordKeySize - 1, (int)strlen(parts.subkey));
    std::string too_long = "HKLM\\" + std::string(kRecordKeySize, 'k');
    EXPECT_EQ(0, split_key_record(too_long.c_str(), 0, &parts));
    EXPECT_EQ(0, split_key_record((too_long + ",v").c_str(), 1, &parts));
    std::string long_root = std::string(kRecordKeySize, 'R') + "\\Software";
    EXPECT_EQ(0, split_key_record(long_root.c_str(), 0, &parts));
    std::string value = "HKCU\\S," + std::string(kRecordTextSize - 1, 'v');
    EXPECT_EQ(1, split_key_record(value.c_str(), 1, &parts));
    EXPECT_EQ(0, split_key_record((value + "v").c_str(), 1, &parts));
}

TEST(RecordName, EightLowerCaseHexDigits) {
    char name[9];
    record_name(0, name);
    EXPECT_STREQ("00000000", name);
    record_name(0xABCDEF1ul, name);
    EXPECT_STREQ("0abcdef1", name);
    record_name(0xFFFFFFFFul, name);
    EXPECT_STREQ("ffffffff", name);
}
