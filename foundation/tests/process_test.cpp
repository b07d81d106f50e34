// execute_process with a real child program (test_child.exe beside this one).
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string>
#include "paths.h"

static std::string child_path() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    *strrchr(path, '\\') = 0;
    return std::string(path) + "\\test_child.exe";
}

static std::string temp_file(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

static std::string read_text(const std::string& path) {
    char text[MAX_PATH] = {};
    FILE* in = fopen(path.c_str(), "r");
    if (!in)
        return "(no file)";
    fgets(text, sizeof text, in);
    fclose(in);
    return text;
}

TEST(ExecuteProcess, WaitReturnsTheChildsExitCode) {
    std::string child = child_path();
    struct {
        const char* argument;
        unsigned long code;
    } cases[] = {{"0", 0}, {"42", 42}, {"4294967295", 0xFFFFFFFFul}, {"3000000000", 3000000000ul}};
    for (auto& c : cases)
        EXPECT_EQ(c.code, execute_process(1, (char*)"%s exit %s", child.c_str(), c.argument)) << c.argument;
}

TEST(ExecuteProcess, WithoutWaitReturnsWhileTheChildRuns) {
    char name[64];
    sprintf(name, "VantrelTestChild%lu", GetCurrentProcessId());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, name);
    ASSERT_NE(nullptr, release);
    // The child cannot end before the event is set, so its code is "still running".
    EXPECT_EQ((unsigned long)STILL_ACTIVE, execute_process(0, (char*)"%s wait %s", child_path().c_str(), name));
    SetEvent(release);
    CloseHandle(release);
}

TEST(ExecuteProcess, WorksInTheFolderUpToTheFirstBackslash) {
    std::string child = child_path();
    std::string root = child.substr(0, child.find('\\') + 1);
    std::string out = temp_file("vantrel_cwd.txt");
    DeleteFileA(out.c_str());
    ASSERT_EQ(0ul, execute_process(1, (char*)"%s cwd %s", child.c_str(), out.c_str()));
    EXPECT_EQ(root, read_text(out));
    DeleteFileA(out.c_str());
    // A quoted program path gives the same folder, not one starting with the quote.
    ASSERT_EQ(0ul, execute_process(1, (char*)"\"%s\" cwd %s", child.c_str(), out.c_str()));
    EXPECT_EQ(root, read_text(out));
    DeleteFileA(out.c_str());
}

TEST(ExecuteProcess, WithoutABackslashTheCurrentFolderIsKept) {
    char previous[MAX_PATH], temp[MAX_PATH], current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    GetTempPathA(MAX_PATH, temp);
    ASSERT_TRUE(SetCurrentDirectoryA(temp));
    GetCurrentDirectoryA(MAX_PATH, current);
    // No backslash anywhere: the program is found beside this one, the output
    // file in the current folder.
    EXPECT_EQ(0ul, execute_process(1, (char*)"test_child.exe cwd vantrel_cwd.txt"));
    EXPECT_EQ(std::string(current), read_text("vantrel_cwd.txt"));
    DeleteFileA("vantrel_cwd.txt");
    SetCurrentDirectoryA(previous);
}

TEST(ExecuteProcess, MissingProgramGivesAllOnes) {
    EXPECT_EQ(0xFFFFFFFFul, execute_process(1, (char*)"C:\\no\\such\\program.exe /q"));
    EXPECT_EQ(0xFFFFFFFFul, execute_process(0, (char*)"no_such_program_anywhere.exe"));
}

TEST(ExecuteProcess, CommandLinesOver259BytesAreRefused) {
    std::string child = child_path();
    std::string line = child + " exit 5 ";
    ASSERT_LT(line.size(), 259u);
    line.append(259 - line.size(), 'x');
    EXPECT_EQ(5ul, execute_process(1, (char*)"%s", line.c_str()));  // fills the 260-byte buffer
    line += 'x';
    EXPECT_EQ(0xFFFFFFFFul, execute_process(1, (char*)"%s", line.c_str()));
    std::string huge(5000, 'y');
    EXPECT_EQ(0xFFFFFFFFul, execute_process(1, (char*)"%s exit 1 %s", child.c_str(), huge.c_str()));
}
