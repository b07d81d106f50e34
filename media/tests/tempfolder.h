// A fresh folder for one test's files, removed with everything in it.
#pragma once
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // folder joined with name by the platform's separator
    std::string path(const std::string& name) const;
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

// The platform's path separator ("\\" on Windows).
extern const char kSeparator[];

typedef std::vector<unsigned char> Bytes;
Bytes file_bytes(const std::string& path);
bool put_file(const std::string& path, const Bytes& bytes);
bool put_text(const std::string& path, const std::string& text);
bool file_exists(const std::string& path);
