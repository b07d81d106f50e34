// CreateLink read back through the shell's own link object; special folders.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <string>
#include "links.h"

struct LinkFields {
    char path[MAX_PATH] = {}, arguments[MAX_PATH] = {}, folder[MAX_PATH] = {};
    char description[MAX_PATH] = {}, icon[MAX_PATH] = {};
    int icon_index = -1;
};

// Loads a .lnk file with IShellLinkA + IPersistFile; 1 on success.
static int read_link(const std::string& file, LinkFields* fields) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void**)&link)))
        return 0;
    IPersistFile* persist = nullptr;
    int ok = 0;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&persist))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
            link->GetPath(fields->path, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetArguments(fields->arguments, MAX_PATH);
            link->GetWorkingDirectory(fields->folder, MAX_PATH);
            link->GetDescription(fields->description, MAX_PATH);
            link->GetIconLocation(fields->icon, MAX_PATH, &fields->icon_index);
            ok = 1;
        }
        persist->Release();
    }
    link->Release();
    return ok;
}

class LinkTest : public testing::Test {
protected:
    std::string folder;
    void SetUp() override {
        CoInitialize(nullptr);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "Vantrel Link Test Folder";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override {
        for (const char* name : {"\\tool.lnk", "\\bare.lnk", "\\program file.exe", "\\icon file.ico"})
            DeleteFileA((folder + name).c_str());
        RemoveDirectoryA(folder.c_str());
        CoUninitialize();
    }
    std::string make_file(const char* name) {
        std::string path = folder + "\\" + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
        return path;
    }
};

TEST_F(LinkTest, LinkReadsBackWithEveryField) {
    std::string target = make_file("program file.exe");
    std::string icon = make_file("icon file.ico");
    std::string link = folder + "\\tool.lnk";
    ASSERT_EQ(1, CreateLink((char*)target.c_str(), (char*)link.c_str(), (char*)"Vantrel tool",
                            (char*)"/q /x", (char*)"C:\\windows", (char*)icon.c_str(), 3));
    LinkFields fields;
    ASSERT_EQ(1, read_link(link, &fields));
    EXPECT_STRCASEEQ(target.c_str(), fields.path);
    EXPECT_STREQ("/q /x", fields.arguments);
    EXPECT_STREQ("C:\\windows", fields.folder);
    EXPECT_STREQ("Vantrel tool", fields.description);
    // The icon is stored in its short form.
    char short_icon[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA(icon.c_str(), short_icon, MAX_PATH));
    EXPECT_STRCASEEQ(short_icon, fields.icon);
    EXPECT_EQ(3, fields.icon_index);
}

TEST_F(LinkTest, OptionalFieldsMayBeNull) {
    std::string target = make_file("program file.exe");
    std::string link = folder + "\\bare.lnk";
    ASSERT_EQ(1, CreateLink((char*)target.c_str(), (char*)link.c_str(), nullptr, nullptr, nullptr,
                            nullptr, 0));
    LinkFields fields;
    ASSERT_EQ(1, read_link(link, &fields));
    EXPECT_STRCASEEQ(target.c_str(), fields.path);
    EXPECT_STREQ("", fields.arguments);
    EXPECT_STREQ("", fields.description);
}

TEST_F(LinkTest, NullTargetOrFileIsRefused) {
    std::string link = folder + "\\bare.lnk";
    EXPECT_EQ(0, CreateLink(nullptr, (char*)link.c_str(), nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(0, CreateLink((char*)"C:\\x.exe", nullptr, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str()));
}

TEST(SpecialFolder, ProgramsIsAnExistingFolder) {
    kString programs = GetSpecialFolder(CSIDL_PROGRAMS);
    ASSERT_NE(nullptr, programs.text);
    DWORD attributes = GetFileAttributesA(programs.text);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    char out[MAX_PATH];
    memset(out, 0xbd, sizeof out);
    GetSpecialFolderch(CSIDL_PROGRAMS, out);
    EXPECT_STREQ(programs.text, out);
}

TEST(SpecialFolder, VirtualFolderGivesNothing) {
    char out[MAX_PATH];
    memset(out, 0xbd, sizeof out);
    GetSpecialFolderch(CSIDL_DRIVES, out);  // "My Computer" has no file-system path
    EXPECT_EQ((char)0xbd, out[0]);
    kString none = GetSpecialFolder(CSIDL_DRIVES);
    EXPECT_EQ(nullptr, none.text);
    GetSpecialFolderch(CSIDL_PROGRAMS, nullptr);  // no room: nothing written, no fault
}
