// Unpacking the uninstall archive.
#include <gtest/gtest.h>
#include <string.h>
#include "tempfolder.h"
#include "uninst_archive.h"

namespace {

void put_le32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; i++)
        out.push_back((unsigned char)(v >> (8 * i)));
}

void add_record(Bytes& archive, const std::string& name, const std::string& data, uint32_t name_size = 260) {
    put_le32(archive, name_size);
    Bytes field(name_size, 0);
    memcpy(field.data(), name.data(), std::min<size_t>(name.size(), name_size));
    archive.insert(archive.end(), field.begin(), field.end());
    put_le32(archive, (uint32_t)data.size());
    archive.insert(archive.end(), data.begin(), data.end());
}

class UnpackTest : public ::testing::Test {
protected:
    int unpack(const Bytes& image, int overwrite = 1) {
        EXPECT_TRUE(put_file(folder.path("uninst.dat"), image));
        list.destroy_all();
        return unpack_uninstall_archive((char*)folder.path("uninst.dat").c_str(), (char*)folder.root().c_str(),
                                        overwrite, &list);
    }
    std::string text(const std::string& name) {
        Bytes b = file_bytes(folder.path(name));
        return std::string(b.begin(), b.end());
    }
    void TearDown() override { list.destroy_all(); }

    TempFolder folder;
    kPtrVector<kString> list;
};

TEST_F(UnpackTest, WritesAndListsEveryRecord) {
    Bytes image;
    add_record(image, "vscript.dll", "script");
    add_record(image, "langres.dll", "");
    add_record(image, "short.dll", "field of 12", 12);
    ASSERT_EQ(0, unpack(image));
    EXPECT_EQ("script", text("vscript.dll"));
    EXPECT_TRUE(file_exists(folder.path("langres.dll")));
    EXPECT_EQ("field of 12", text("short.dll"));
    ASSERT_EQ(3u, list.count);
    EXPECT_STREQ(folder.path("vscript.dll").c_str(), list[0]->text);
    EXPECT_EQ(0, unpack(Bytes()));
    EXPECT_EQ(0u, list.count);
}

TEST_F(UnpackTest, WithoutOverwriteAnExistingFileStaysUnlisted) {
    ASSERT_TRUE(put_text(folder.path("a.dll"), "mine"));
    Bytes image;
    add_record(image, "a.dll", "theirs");
    add_record(image, "b.dll", "new");
    ASSERT_EQ(0, unpack(image, 0));
    EXPECT_EQ("mine", text("a.dll"));
    EXPECT_EQ("new", text("b.dll"));
    ASSERT_EQ(1u, list.count);
    ASSERT_EQ(0, unpack(image, 1));
    EXPECT_EQ("theirs", text("a.dll"));
}

TEST_F(UnpackTest, DamagedRecordsFail) {
    Bytes good;
    add_record(good, "first.dll", "1");
    struct {
        int line;
        Bytes tail;
    } cases[] = {{__LINE__, {}}, {__LINE__, {}}, {__LINE__, {}}, {__LINE__, {}}, {__LINE__, {}}, {__LINE__, {}}};
    put_le32(cases[0].tail, 261);  // name field above 260 bytes
    add_record(cases[1].tail, "x", "data");
    cases[1].tail.resize(cases[1].tail.size() - 1);  // data cut short
    add_record(cases[2].tail, "..", "up");
    add_record(cases[3].tail, "sub\\evil.dll", "x");
    add_record(cases[4].tail, "", "x");
    add_record(cases[5].tail, "x", "");
    cases[5].tail[264] = 0xFF;  // a data length past the end, never allocated
    cases[5].tail[267] = 0x7F;
    for (auto& c : cases) {
        Bytes image = good;
        image.insert(image.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(-1, unpack(image)) << "line " << c.line;
        EXPECT_EQ(1u, list.count) << "line " << c.line;
    }
    EXPECT_EQ(-1, unpack_uninstall_archive((char*)folder.path("absent.dat").c_str(), (char*)folder.root().c_str(), 1,
                                           nullptr));
    Bytes partial = good;
    partial.push_back(4);  // an incomplete size field is the end
    EXPECT_EQ(0, unpack(partial));
}

}  // namespace
