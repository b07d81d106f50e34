// The install's side of the uninstaller, in-process: the support step (the
// archive, the hidden copy of setup.exe, the Windows uninstall entry) and the
// record writer.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include "archive_records.h"
#include "testkit.h"
#include "uninstall.h"
#include "uninstall_fixtures.h"

using namespace testkit;

namespace {

const char kEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VantrelTests Support";

std::vector<std::string> texts(kPtrVector<kString>& list) {
    std::vector<std::string> out;
    for (unsigned int i = 0; i < list.count; i++)
        out.push_back(list.items[i]->text);
    return out;
}

// A media folder with setup.exe and a script library, and an install folder
// two levels below the temporary folder that does not exist yet.
class SupportStep : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryA(media.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA((bin_folder() + "\\setup.exe").c_str(), self.c_str(), FALSE));
        ASSERT_TRUE(write_file(media + "\\vscript.dll", "script library"));
        prepare(info);
    }
    void TearDown() override { SetFileAttributesA(self.c_str(), FILE_ATTRIBUTE_NORMAL); }
    void prepare(SetupInfo& target) {
        target.source_folder.set(media.c_str());
        target.destination_folder.set(destination.c_str());
        target.product_name.set("VantrelTests Support");
        target.product_key.set("Software\\VantrelTests\\Support");
    }
    std::string dependency(const std::string& name, const std::string& bytes) {
        std::string path = media + "\\" + name;
        EXPECT_TRUE(write_file(path, bytes));
        return path;
    }
    std::string archive_bytes() {
        std::string bytes = "(missing)";
        read_file(archive, &bytes);
        return bytes;
    }

    TempDir dir{"support"};
    std::string media = dir / "media";
    std::string self = media + "\\setup.exe";
    std::string destination = dir / "Programs\\Vantrel";
    std::string archive = destination + "\\uninst.dat";
    std::string copy = destination + "\\setup.exe";
    SetupInfo info;
};

}  // namespace

TEST_F(SupportStep, PacksDependenciesWithTheScriptLibraryLast) {
    info.AddDependency((char*)dependency("hostinfo.dll", std::string("host\0info", 9)).c_str());
    info.AddDependency((char*)dependency("langres.dll", "texts").c_str());
    ASSERT_EQ(0, uninstall_support(&info));
    EXPECT_EQ(archive_record("hostinfo.dll", std::string("host\0info", 9)) + archive_record("langres.dll", "texts") +
                  archive_record("vscript.dll", "script library"),
              archive_bytes());
    ASSERT_EQ(3u, info.dependencies.count);
    EXPECT_EQ(media + "\\vscript.dll", info.dependencies.items[2]->text);
    EXPECT_TRUE(folder_exists(destination));
    EXPECT_EQ(std::vector<std::string>({destination}), texts(info.uninstall.uninstall_dirs));
    EXPECT_EQ(std::vector<std::string>({archive, archive, archive, copy}), texts(info.uninstall.uninstall_files))
        << "the archive once per record, then the copy of setup.exe";
    EXPECT_EQ(std::vector<std::string>({std::string("HKLM\\") + kEntryKey}), texts(info.uninstall.uninstall_keys));
}

TEST_F(SupportStep, WithoutDependenciesTheArchiveHoldsTheScriptLibrary) {
    ASSERT_TRUE(CreateDirectoryA((dir / "Programs").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
    ASSERT_EQ(0, uninstall_support(&info));
    EXPECT_EQ(archive_record("vscript.dll", "script library"), archive_bytes());
    EXPECT_EQ(0u, info.uninstall.uninstall_dirs.count) << "an existing folder is not recorded";
}

TEST_F(SupportStep, AddsTheUninstallEntryWithTheStageOneCommand) {
    ASSERT_EQ(0, uninstall_support(&info));
    ASSERT_EQ(2u, info.keys.count);
    KeyEntry* command = info.keys.items[0];
    KeyEntry* name = info.keys.items[1];
    EXPECT_EQ(HKEY_LOCAL_MACHINE, command->root);
    EXPECT_STREQ(kEntryKey, command->subkey.text);
    EXPECT_STREQ("UninstallString", command->value_name.text);
    EXPECT_EQ(copy + " uninstall1," + archive + ",VantrelTests Support,Software\\VantrelTests\\Support",
              command->text.text);
    EXPECT_EQ(0ul, command->is_number);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, name->root);
    EXPECT_STREQ(kEntryKey, name->subkey.text);
    EXPECT_STREQ("DisplayName", name->value_name.text);
    EXPECT_STREQ("VantrelTests Support", name->text.text);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kEntryKey)) << "written later by the copy stage";
}

TEST_F(SupportStep, CopyOfSetupIsHiddenAndWritableAndReplacesAnOldHiddenOne) {
    ASSERT_TRUE(SetFileAttributesA(self.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA((dir / "Programs").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
    ASSERT_TRUE(write_file(copy, "old copy"));
    ASSERT_TRUE(SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(0, uninstall_support(&info));
    std::string original, copied;
    ASSERT_TRUE(read_file(self, &original));
    ASSERT_TRUE(read_file(copy, &copied));
    EXPECT_TRUE(original == copied);
    DWORD attributes = GetFileAttributesA(copy.c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_READONLY);
}

TEST_F(SupportStep, FailedDependencyStopsBeforeTheCopyAndTheEntry) {
    std::string empty = dependency("empty.dll", "");
    const struct {
        int line;
        std::string path;
    } cases[] = {
        {__LINE__, empty},
        {__LINE__, media + "\\missing.dll"},
        {__LINE__, "nofolder.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SetupInfo fresh;
        prepare(fresh);
        fresh.AddDependency((char*)c.path.c_str());
        EXPECT_EQ(-1, uninstall_support(&fresh));
        EXPECT_FALSE(file_exists(copy));
        EXPECT_EQ(0u, fresh.keys.count);
        EXPECT_EQ(0u, fresh.uninstall.uninstall_keys.count);
        EXPECT_EQ(0u, fresh.uninstall.uninstall_files.count);
    }
}

TEST_F(SupportStep, ArchiveThatCannotBeCreatedStopsBeforeAddingTheScript) {
    ASSERT_TRUE(CreateDirectoryA((dir / "Programs").c_str(), nullptr));
    ASSERT_TRUE(write_file(destination, "a file where the folder should be"));
    EXPECT_EQ(-1, uninstall_support(&info));
    EXPECT_EQ(0u, info.dependencies.count);
    EXPECT_EQ(0u, info.keys.count);
}

namespace {

const char kWriterKey[] = "Software\\VantrelTests\\Writer";
const std::string kWriterRoot = std::string(kWriterKey) + "\\Uninstall";

class RecordWriter : public ::testing::Test {
protected:
    void SetUp() override {
        remove_test_keys();
        info.product_key.set(kWriterKey);
    }
    void TearDown() override { remove_test_keys(); }
    static std::vector<std::string> in_name_order(const std::map<std::string, std::string>& values) {
        std::vector<std::string> out;
        for (const auto& v : values)
            out.push_back(v.second);
        return out;
    }
    static bool tick_name(const std::string& name) {
        return name.size() == 8 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
    }

    SetupInfo info;
};

}  // namespace

// The tick count moves in steps of about 16 ms under Wine, longer than the
// pause between records: the names must still all differ.
TEST_F(RecordWriter, EveryRecordInItsSubkeyUnderItsOwnName) {
    std::vector<std::string> files, dirs, values, keys;
    for (int i = 0; i < 30; i++) {
        files.push_back("C:\\Vantrel\\file" + std::to_string(i) + ".dll");
        info.uninstall.AddFile((char*)files.back().c_str());
    }
    for (int i = 0; i < 4; i++) {
        dirs.push_back("C:\\Vantrel\\dir" + std::to_string(i));
        info.uninstall.AddDir((char*)dirs.back().c_str());
    }
    info.uninstall.AddFile((char*)files[0].c_str());
    files.push_back(files[0]);
    for (int i = 0; i < 5; i++) {
        std::string subkey = "Software\\Vantrel\\k" + std::to_string(i);
        std::string value = "v" + std::to_string(i);
        info.uninstall.AddKey(HKEY_CURRENT_USER, (char*)subkey.c_str(), (char*)value.c_str());
        values.push_back("HKCU\\" + subkey + "," + value);
        info.uninstall.AddKey(HKEY_LOCAL_MACHINE, (char*)subkey.c_str(), nullptr);
        keys.push_back("HKLM\\" + subkey);
    }
    write_uninstall_record(&info);

    const struct {
        const char* subkey;
        const std::vector<std::string>& expected;
    } kinds[] = {{"File", files}, {"Dir", dirs}, {"Value", values}, {"Key", keys}};
    std::set<std::string> all_names;
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.subkey);
        std::map<std::string, std::string> stored = text_values(HKEY_LOCAL_MACHINE, kWriterRoot + "\\" + kind.subkey);
        EXPECT_EQ(kind.expected, in_name_order(stored)) << "every record, in list order";
        for (const auto& v : stored) {
            EXPECT_TRUE(tick_name(v.first)) << v.first;
            all_names.insert(v.first);
        }
    }
    EXPECT_EQ(files.size() + dirs.size() + values.size() + keys.size(), all_names.size());
}

// A record left by an earlier install (a copy installed over) keeps its
// value: the writer waits for a name not yet in the subkey.
TEST_F(RecordWriter, ValuesAlreadyThereAreNeverReplaced) {
    std::string file_key = kWriterRoot + "\\File";
    ASSERT_TRUE(make_key(HKEY_LOCAL_MACHINE, file_key));
    DWORD now = GetTickCount();
    std::map<std::string, std::string> earlier;
    for (DWORD t = now; t < now + 300; t++) {
        char name[9];
        sprintf(name, "%.8lx", (unsigned long)t);
        earlier[name] = "C:\\Old\\file" + std::to_string(t - now);
        ASSERT_TRUE(set_text(HKEY_LOCAL_MACHINE, file_key, name, earlier[name]));
    }
    info.uninstall.AddFile((char*)"C:\\New\\a.dll");
    info.uninstall.AddFile((char*)"C:\\New\\b.dll");
    write_uninstall_record(&info);

    std::map<std::string, std::string> stored = text_values(HKEY_LOCAL_MACHINE, file_key);
    for (const auto& old : earlier)
        EXPECT_EQ(old.second, stored[old.first]) << old.first;
    EXPECT_EQ(earlier.size() + 2, stored.size());
}
