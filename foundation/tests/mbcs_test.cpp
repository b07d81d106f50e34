// Multibyte stepping in a double-byte code page. The test program runs with
// the Japanese ANSI code page (932) when the system offers it.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "kfile.h"
#include "kstring.h"
#include "mbcs.h"
#include "paths.h"
#include "pathtext.h"

TEST(MbsSizeDoubleByte, LeadAndTrailCountTwo) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    EXPECT_EQ(2, _mbssize("\x82\xa0"));
    EXPECT_EQ(3, _mbssize("a\x82\xa0"));
    // The trail byte 0x5C is a backslash on its own; inside the pair it is not.
    EXPECT_EQ(2, _mbssize("\x95\x5c"));
    EXPECT_EQ(1, _mbssize("\x82")) << "a lead byte before the terminator counts one";
}

TEST(MbsSizeDoubleByte, EqualityComparesWholeCharacters) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    kString a((char*)"\x95\x5c"), b((char*)"\x95\x5c"), c((char*)"\x95\x5d");
    EXPECT_EQ(1, a == b);
    EXPECT_EQ(0, a == c);
}

TEST(MbsSizeDoubleByte, LastCharacterAndLastBackslashStepByCharacters) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    // "\x95\x5c" is the character for "table"; its trail byte is 0x5C.
    struct {
        int line;
        const char* text;
        int last;        // offset of the last character, -1 for none
        int backslash;   // offset of the last backslash, -1 for none
    } cases[] = {
        {__LINE__, "C:\\\x95\x5c", 3, 2},
        {__LINE__, "C:\\\x95\x5c\\", 5, 5},
        {__LINE__, "C:\\dir\\\x95\x5c\\x", 10, 9},
        {__LINE__, "\x95\x5c", 0, -1},
        {__LINE__, "a\\", 1, 1},
        {__LINE__, "", -1, -1},
    };
    for (const auto& c : cases) {
        const char* last = mb_last_char(c.text);
        const char* backslash = mb_find_last(c.text, '\\');
        EXPECT_EQ(c.last, last ? (int)(last - c.text) : -1) << "line " << c.line;
        EXPECT_EQ(c.backslash, backslash ? (int)(backslash - c.text) : -1) << "line " << c.line;
    }
}

TEST(MbsSizeDoubleByte, PathHelpersNeverCutATrailByte) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    struct {
        int line;
        const char* path;
        int text_ok;     // path_text_ok(path, 0)
        int cuts;        // backslashes after the first character
        int last_cut;    // offset of the last one
    } cases[] = {
        {__LINE__, "C:\\Tools\\\x95\x5c", 1, 2, 8},
        {__LINE__, "C:\\\x95\x5c\\bin", 1, 2, 5},
        {__LINE__, "C:\\\x95\x5c\\", 0, 2, 5},  // a real trailing backslash
        {__LINE__, "C:\\a\x95\x5c\\\\b", 0, 3, 7},
    };
    for (const auto& c : cases) {
        int cuts[kMaxPathLevels];
        EXPECT_EQ(c.text_ok, path_text_ok(c.path, 0)) << "line " << c.line;
        ASSERT_EQ(c.cuts, path_cuts(c.path, cuts)) << "line " << c.line;
        EXPECT_EQ(c.last_cut, cuts[c.cuts - 1]) << "line " << c.line;
    }
}

// Names of the entries of a folder matching pattern, as wide text.
static std::wstring entries(const std::string& folder, const char* pattern) {
    wchar_t wide[MAX_PATH];
    std::string search = folder + "\\" + pattern;
    if (!MultiByteToWideChar(CP_ACP, 0, search.c_str(), -1, wide, MAX_PATH))
        return L"(bad name)";
    std::wstring names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(wide, &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
            names += std::wstring(found.cFileName) + L"|";
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

TEST(MbsSizeDoubleByte, CreatePathMakesEveryDoubleByteLevelWhole) {
    if (GetACP() != 932)
        GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 932";
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    std::string parent = std::string(temp) + "mbcs_test";
    std::string top = parent + "\\\x95\x5c";
    std::string path = top + "\\\x95\x5c";
    for (const std::string& left : {path, top, parent})
        RemoveDirectoryA(left.c_str());  // left over by an earlier run
    std::string text = path;
    EXPECT_EQ(1, create_path(&text[0]));
    EXPECT_EQ(path, text) << "the caller's text is restored";
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    // One level of one character (U+8868) each, and no level cut at a
    // trail byte beside them.
    EXPECT_EQ(L"\x8868|", entries(parent, "*"));
    EXPECT_EQ(L"\x8868|", entries(top, "*"));
    RemoveDirectoryA(path.c_str());
    RemoveDirectoryA(top.c_str());
    RemoveDirectoryA(parent.c_str());
}

