// Unpacking of the uninstall archive: overwrite rules and damaged archives.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include "archive_records.h"
#include "uninst_archive.h"

namespace {

// The folder is joined with "\\" as on Windows; natively that is part of the
// file name, which is just as good for checking what gets written.
class Unpack : public ::testing::Test {
protected:
    void SetUp() override {
        const char* temp = getenv("TEMP");
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
#ifdef _WIN32
        base = std::string(temp ? temp : ".") + "\\unpack_" + name;
        CreateDirectoryA(base.c_str(), nullptr);
#else
        base = std::string(temp ? temp : "/tmp") + "/unpack_" + name;
#endif
        archive = base + ".dat";
    }
    void TearDown() override {
        for (const std::string& f : created)
            remove(f.c_str());
        remove(archive.c_str());
#ifdef _WIN32
        RemoveDirectoryA(base.c_str());
#endif
    }
    void put(const std::string& path, const std::string& bytes) {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    std::string get(const std::string& path) {
        std::string bytes;
        FILE* f = fopen(path.c_str(), "rb");
        if (!f)
            return "(missing)";
        int c;
        while ((c = fgetc(f)) != EOF)
            bytes += (char)c;
        fclose(f);
        return bytes;
    }
    std::string member(const std::string& name) {
        created.push_back(base + "\\" + name);
        return created.back();
    }
    int unpack(int overwrite) {
        return unpack_archive((char*)archive.c_str(), (char*)base.c_str(), overwrite, &written);
    }
    void TearDownList() { written.destroy_all(); }

    std::string base, archive;
    std::vector<std::string> created;
    kPtrVector<kString> written;
};

}  // namespace

TEST_F(Unpack, WritesEveryRecordAndListsIt) {
    std::string a = member("vscript.dll"), b = member("hostinfo.dll");
    put(archive, archive_record("vscript.dll", "script bytes") + archive_record("hostinfo.dll", std::string("\0\1\2", 3)));
    EXPECT_EQ(0, unpack(0));
    EXPECT_EQ("script bytes", get(a));
    EXPECT_EQ(std::string("\0\1\2", 3), get(b));
    ASSERT_EQ(2u, written.count);
    EXPECT_EQ(a, written.items[0]->text);
    EXPECT_EQ(b, written.items[1]->text);
    TearDownList();
}

TEST_F(Unpack, OverwriteOffKeepsAnExistingFileAndDoesNotListIt) {
    std::string keep = member("keep.txt"), fresh = member("new.txt");
    put(keep, "mine");
    put(archive, archive_record("keep.txt", "theirs") + archive_record("new.txt", "new"));
    EXPECT_EQ(0, unpack(0));
    EXPECT_EQ("mine", get(keep));
    EXPECT_EQ("new", get(fresh));
    ASSERT_EQ(1u, written.count);
    EXPECT_EQ(fresh, written.items[0]->text);
    TearDownList();
    EXPECT_EQ(0, unpack(1));
    EXPECT_EQ("theirs", get(keep));
    TearDownList();
}

TEST_F(Unpack, EmptyArchiveAndShortNameFields) {
    put(archive, "");
    EXPECT_EQ(0, unpack(0));
    std::string a = member("a");
    put(archive, archive_record("a", "x", 2));
    EXPECT_EQ(0, unpack(0)) << "a name field shorter than 260 is read as it stands";
    EXPECT_EQ("x", get(a));
    TearDownList();
}

TEST_F(Unpack, MissingArchiveFails) {
    EXPECT_EQ(-1, unpack(0));
}

struct BadArchive {
    int line;
    std::string bytes;
};

TEST_F(Unpack, DamagedArchivesFailWithoutWritingOutside) {
    std::string long_name(260, 'n');
    const BadArchive cases[] = {
        {__LINE__, archive_record("..\\escape.txt", "x")},
        {__LINE__, archive_record("sub/escape.txt", "x")},
        {__LINE__, archive_record("C:escape.txt", "x")},
        {__LINE__, archive_record("..", "x")},
        {__LINE__, archive_record(".", "x")},
        {__LINE__, archive_record("", "x")},
        {__LINE__, le32(260) + long_name + le32(1) + "x"},          // no zero byte in the field
        {__LINE__, le32(261) + long_name + "n" + le32(1) + "x"},    // field above 260
        {__LINE__, archive_record("a", "abc").substr(0, 260 + 8 + 2)},  // data cut short
        {__LINE__, le32(260) + std::string(100, '\0')},             // name field cut short
        {__LINE__, archive_record("a", "") .substr(0, 260 + 6)},    // size field cut short
        {__LINE__, le32(260) + std::string("a") + std::string(259, '\0') + le32(0x7FFFFFFF) + "x"},
    };
    for (const BadArchive& c : cases) {
        SCOPED_TRACE(c.line);
        put(archive, c.bytes);
        EXPECT_EQ(-1, unpack(0));
        TearDownList();
    }
    member("a");
}

// Records written by the install side, read back by the unpacker.
class Pack : public Unpack {
protected:
    int append(const std::string& path) {
        kFile out;
        if (!out.open((char*)archive.c_str(), (char*)"ab"))
            return -1;
        return append_archive_record(out, (char*)path.c_str());
    }
};

TEST_F(Pack, RecordsAreWhatTheUnpackerReads) {
    std::string dep = member("hostinfo.dll"), script = member("vscript.dll");
    std::string binary("\0\1\xff\\,", 5);
    put(dep, binary);
    put(script, "script");
    EXPECT_EQ(1, append(dep));
    EXPECT_EQ(1, append(script));
    EXPECT_EQ(archive_record("hostinfo.dll", binary) + archive_record("vscript.dll", "script"), get(archive));
    remove(dep.c_str());
    remove(script.c_str());
    EXPECT_EQ(0, unpack(0));
    EXPECT_EQ(binary, get(dep));
    EXPECT_EQ("script", get(script));
    TearDownList();
}

TEST_F(Pack, RefusedFilesWriteNothing) {
    std::string empty = member("empty.dll");
    put(empty, "");
    const struct {
        int line;
        std::string path;
    } cases[] = {
        {__LINE__, empty},                                   // an empty file
        {__LINE__, base + "\\missing.dll"},                  // an unreadable one
        {__LINE__, "nobackslash.dll"},                       // no name after a "\\"
        {__LINE__, base + "\\"},                             // an empty name
        {__LINE__, base + "\\" + std::string(260, 'n')},     // no room for the zero byte
        {__LINE__, base + "\\a:stream"},                     // a name the unpacker refuses
    };
    put(archive, "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(0, append(c.path));
        EXPECT_EQ("", get(archive));
    }
}
