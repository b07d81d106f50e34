// A program the demo starts: its process and, when its output is collected,
// the read end of its output pipe.
#pragma once
#include <windows.h>
#include <string>

class Child {
public:
    Child() = default;
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Starts command_line with its standard handles on the null device. A
    // program that runs on after the demo's step must hold nothing of the
    // demo's own output: a pipe it holds would keep its reader waiting.
    int start_detached(const std::string& command_line, const char* folder = nullptr);
    // Starts command_line with its standard output and error going into a
    // pipe that output() reads.
    int start_collected(const std::string& command_line);
    // Appends what the program has written so far to *out.
    void output(std::string* out);
    // 1 when the program has ended, waiting at most wait_ms for it.
    int ended(DWORD wait_ms);
    // The exit code once ended; STILL_ACTIVE before.
    DWORD exit_code() const;
    DWORD id() const { return id_; }
    void terminate();

private:
    int start(const std::string& command_line, const char* folder, HANDLE output);
    HANDLE process_ = nullptr;
    HANDLE output_ = nullptr;
    DWORD id_ = 0;
};

// 1 once no process of the program file name image ("setup.exe") runs;
// 0 when one still runs after timeout_ms.
int wait_until_none_runs(const char* image, DWORD timeout_ms);
