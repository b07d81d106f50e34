// The install description: construction, the Add operations and the
// restart's privilege.
#include <gtest/gtest.h>
#include "restart.h"
#include "setupinfo.h"

TEST(SetupInfoConstruction, StartsEmptyWithFiftySlotLists) {
    SetupInfo info;
    EXPECT_EQ(sizeof(SetupInfo), info.size);
    EXPECT_EQ(0, info.mode);
    EXPECT_EQ(-1, info.disc_drive);
    EXPECT_EQ(0ul, info.hook_context);
    EXPECT_EQ((unsigned long)((char*)&info.hook_context - (char*)&info.hook_block_size), info.hook_block_size);
    for (int k = 0; k < kHookSlots; k++)
        EXPECT_EQ(nullptr, info.hook(k)) << k;
    EXPECT_EQ(nullptr, info.command_line.text);
    EXPECT_EQ(nullptr, info.source_folder.text);
    kPtrVector<kString>* texts[] = {&info.fields, &info.extracted, &info.dependencies,
                                    &info.uninstall.uninstall_keys, &info.uninstall.uninstall_files,
                                    &info.uninstall.uninstall_dirs, &info.disc_labels};
    for (kPtrVector<kString>* list : texts) {
        EXPECT_EQ(50u, list->capacity);
        EXPECT_EQ(50u, list->step);
        EXPECT_EQ(0u, list->count);
    }
    EXPECT_EQ(50u, info.files.capacity);
    EXPECT_EQ(50u, info.keys.capacity);
    EXPECT_EQ(50u, info.links.capacity);
}

TEST(SetupInfoHooks, SlotsAreInTableOrder) {
    SetupInfo info;
    EXPECT_EQ((void*)&info.InstallBegin, (void*)(&info.entry_point + 1));
    void** slots = (void**)&info.InstallBegin;
    EXPECT_EQ((void*)&info.BeforeCopy, (void*)&slots[kBeforeCopy]);
    EXPECT_EQ((void*)&info.FileFailed, (void*)&slots[kFileFailed]);
    EXPECT_EQ((void*)&info.AfterCopy, (void*)&slots[kAfterCopy]);
    EXPECT_EQ((void*)&info.UninstallEnd, (void*)&slots[kUninstallEnd]);
    EXPECT_EQ((void*)&info.InsertDiscPost, (void*)&slots[kInsertDiscPost]);
    EXPECT_EQ((void*)&info.hook_context, (void*)&slots[kHookSlots]);
    info.PathPost = (StageHook)(void*)&info;
    EXPECT_EQ((void*)&info, info.hook(kPathPost));
    EXPECT_EQ(nullptr, info.hook(kHookSlots));
}

TEST(SetupInfoAdd, FileFlags) {
    SetupInfo info;
    EXPECT_EQ(1, info.AddFile((char*)"A:\\src", (char*)"C:\\dst", 5));
    EXPECT_EQ(1, info.AddFile((char*)"A:\\src", (char*)"C:\\dst", 0));
    EXPECT_EQ(1, info.AddXorFile((char*)"A:\\m", (char*)"A:\\pad", (char*)"C:\\d", 0));
    EXPECT_EQ(1, info.AddXorFile((char*)"A:\\m", (char*)"A:\\pad", (char*)"C:\\d", -1));
    ASSERT_EQ(4u, info.files.count);
    EXPECT_EQ(1, info.files.items[0]->flags);
    EXPECT_EQ(0, info.files.items[1]->flags);
    EXPECT_EQ(2, info.files.items[2]->flags);
    EXPECT_EQ(3, info.files.items[3]->flags);
    EXPECT_STREQ("A:\\src", info.files.items[0]->source.text);
    EXPECT_EQ(nullptr, info.files.items[0]->pad_source.text);
    EXPECT_STREQ("C:\\dst", info.files.items[0]->destination.text);
    EXPECT_STREQ("A:\\pad", info.files.items[2]->pad_source.text);
}

TEST(SetupInfoAdd, EntriesAreCopies) {
    SetupInfo info;
    char source[] = "A:\\one";
    info.AddFile(source, source, 0);
    source[3] = 'X';
    EXPECT_STREQ("A:\\one", info.files.items[0]->source.text);
}

TEST(SetupInfoAdd, Keys) {
    SetupInfo info;
    EXPECT_EQ(1, info.AddKey(HKEY_LOCAL_MACHINE, (char*)"Software\\X", (char*)"n", 7ul));
    EXPECT_EQ(1, info.AddKey(HKEY_CURRENT_USER, (char*)"Software\\Y", (char*)"", (char*)"text"));
    ASSERT_EQ(2u, info.keys.count);
    KeyEntry* number = info.keys.items[0];
    EXPECT_EQ(HKEY_LOCAL_MACHINE, number->root);
    EXPECT_STREQ("Software\\X", number->subkey.text);
    EXPECT_STREQ("n", number->value_name.text);
    EXPECT_EQ(7ul, number->number);
    EXPECT_EQ(1ul, number->is_number);
    EXPECT_EQ(nullptr, number->text.text);
    KeyEntry* text = info.keys.items[1];
    EXPECT_EQ(0ul, text->is_number);
    EXPECT_EQ(0ul, text->number);
    EXPECT_STREQ("text", text->text.text);
    EXPECT_STREQ("", text->value_name.text);
}

TEST(SetupInfoAdd, Links) {
    SetupInfo info;
    EXPECT_EQ(1, info.AddLink((char*)"C:\\m\\a.lnk", (char*)"C:\\p\\a.exe", 2));
    EXPECT_EQ(1, info.AddSpecialLink((char*)"C:\\m\\b.lnk", (char*)"C:\\p\\b.exe", (char*)"-x", 0));
    ASSERT_EQ(2u, info.links.count);
    LinkEntry* plain = info.links.items[0];
    EXPECT_STREQ("C:\\m\\a.lnk", plain->link_path.text);
    EXPECT_STREQ("C:\\p\\a.exe", plain->target.text);
    EXPECT_EQ(2, plain->icon_index);
    EXPECT_EQ(nullptr, plain->arguments.text);
    EXPECT_EQ(nullptr, plain->description.text);
    EXPECT_EQ(nullptr, plain->working_folder.text);
    EXPECT_STREQ("-x", info.links.items[1]->arguments.text);
}

TEST(SetupInfoAdd, Dependencies) {
    SetupInfo info;
    EXPECT_EQ(0, info.AddDependency(nullptr));
    EXPECT_EQ(0u, info.dependencies.count);
    EXPECT_EQ(1, info.AddDependency((char*)"C:\\p\\hostinfo.dll"));
    ASSERT_EQ(1u, info.dependencies.count);
    EXPECT_STREQ("C:\\p\\hostinfo.dll", info.dependencies.items[0]->text);
}

TEST(SetupInfoAdd, ListsGrowPastFifty) {
    SetupInfo info;
    for (int i = 0; i < 120; i++) {
        char path[32];
        sprintf(path, "C:\\f%d", i);
        ASSERT_EQ(1, info.AddFile(path, path, 0));
        ASSERT_EQ(1, info.AddDependency(path));
        ASSERT_EQ(1, info.AddLink(path, path, i));
        ASSERT_EQ(1, info.AddKey(HKEY_CURRENT_USER, path, path, (unsigned long)i));
    }
    EXPECT_EQ(120u, info.files.count);
    EXPECT_EQ(150u, info.files.capacity);
    EXPECT_EQ(120u, info.dependencies.count);
    EXPECT_EQ(120u, info.links.count);
    EXPECT_EQ(120u, info.keys.count);
    EXPECT_STREQ("C:\\f0", info.files.items[0]->source.text);
    EXPECT_STREQ("C:\\f119", info.files.items[119]->destination.text);
    EXPECT_EQ(119, info.links.items[119]->icon_index);
    EXPECT_EQ(119ul, info.keys.items[119]->number);
}

TEST(UninstallInfoAdd, Records) {
    UninstallInfo u;
    EXPECT_EQ(0, u.AddFile(nullptr));
    EXPECT_EQ(1, u.AddFile((char*)"C:\\p\\a.exe"));
    EXPECT_EQ(1, u.AddFile((char*)"C:\\p\\a.exe"));
    EXPECT_EQ(2u, u.uninstall_files.count) << "nothing is de-duplicated";
    EXPECT_EQ(1, u.AddDir((char*)"C:\\p"));
    EXPECT_STREQ("C:\\p", u.uninstall_dirs.items[0]->text);
    EXPECT_EQ(1, u.AddKey(HKEY_CURRENT_USER, (char*)"Software\\X", (char*)"Y"));
    EXPECT_EQ(1, u.AddKey(HKEY_LOCAL_MACHINE, (char*)"Software\\X", nullptr));
    EXPECT_EQ(1, u.AddKey(HKEY_CLASSES_ROOT, (char*)".vtl", (char*)""));
    EXPECT_EQ(1, u.AddKey(HKEY_USERS, (char*)".Default\\X", nullptr));
    EXPECT_EQ(0, u.AddKey(HKEY_CURRENT_CONFIG, (char*)"X", nullptr));
    EXPECT_EQ(0, u.AddKey(nullptr, (char*)"X", nullptr));
    EXPECT_EQ(0, u.AddKey(HKEY_LOCAL_MACHINE, nullptr, nullptr));
    ASSERT_EQ(4u, u.uninstall_keys.count);
    EXPECT_STREQ("HKCU\\Software\\X,Y", u.uninstall_keys.items[0]->text);
    EXPECT_STREQ("HKLM\\Software\\X", u.uninstall_keys.items[1]->text);
    EXPECT_STREQ("HKCR\\.vtl,", u.uninstall_keys.items[2]->text);
    EXPECT_STREQ("HKUS\\.Default\\X", u.uninstall_keys.items[3]->text);
}

// Whether the shutdown privilege of this process's token is enabled, after
// disabling it when asked.
static bool shutdown_enabled(bool disable_first) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    PRIVILEGE_SET wanted = {1, PRIVILEGE_SET_ALL_NECESSARY, {{{0, 0}, 0}}};
    BOOL enabled = FALSE;
    if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &wanted.Privilege[0].Luid)) {
        TOKEN_PRIVILEGES disabled = {1, {{wanted.Privilege[0].Luid, 0}}};
        if (disable_first)
            AdjustTokenPrivileges(token, FALSE, &disabled, 0, nullptr, nullptr);
        PrivilegeCheck(token, &wanted, &enabled);
    }
    CloseHandle(token);
    return enabled;
}

// Restarting calls this step before ExitWindowsEx, which cannot be tried
// here without ending the test's Windows session.
TEST(SetupInfoRestart, EnablesTheShutdownPrivilegeOnNtOnly) {
    struct {
        int line;
        DWORD version;
        bool enabled;
    } cases[] = {
        {__LINE__, 0x05650004, true},   // NT 4.0, build 1381
        {__LINE__, 0x1DB10106, true},   // Windows 7
        {__LINE__, 0xC0000004, false},  // Windows 95: no privileges, nothing to call
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        ASSERT_FALSE(shutdown_enabled(true));
        EXPECT_EQ(1, enable_shutdown_privilege(c.version));
        EXPECT_EQ(c.enabled, shutdown_enabled(false));
    }
    shutdown_enabled(true);
}
