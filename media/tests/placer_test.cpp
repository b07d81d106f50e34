// The file placer on real files: plain copies, archive members, masked and
// compressed entries, temporary files and what is recorded for uninstall.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdlib.h>
#include <fstream>
#include <map>
#include <sstream>
#include "install_list.h"
#include "mediawrite.h"
#include "placer.h"
#include "tempfolder.h"

namespace {

std::vector<std::string> texts(kPtrVector<kString>& list) {
    std::vector<std::string> out;
    for (unsigned int i = 0; i < list.count; i++)
        out.push_back(list.items[i]->text);
    return out;
}

class PlacerTest : public ::testing::Test {
protected:
    void SetUp() override {
        media = folder.path("media");
        target = folder.path("target");
        ASSERT_TRUE(CreateDirectoryA(media.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    }
    std::string in_media(const std::string& name) { return media + "\\" + name; }
    std::string in_target(const std::string& name) { return target + "\\" + name; }
    void set_entry(const std::string& source, const std::string& destination, unsigned char flags,
                   const std::string& pad = "") {
        entry.source.set(source.c_str());
        entry.pad_source.set(pad.empty() ? nullptr : pad.c_str());
        entry.destination.set(destination.c_str());
        entry.flags = flags;
    }
    int place() {
        testing::internal::CaptureStdout();
        int ok = place_entry(record, &entry);
        trace = testing::internal::GetCapturedStdout();
        return ok;
    }
    // A masked file in the media and its pad as a member of files.dat.
    void masked_media(const std::string& name, const Bytes& payload_result, const Bytes& pad) {
        ASSERT_TRUE(put_file(in_media(name), mask_bytes(payload_result, pad)));
        std::vector<ArchiveMember> members = {{name, pad, "", pad.size()}};
        ASSERT_TRUE(put_file(in_media("files.dat"), archive_bytes(members, 256, random)));
    }

    TempFolder folder;
    std::string media, target, trace;
    FileEntry entry;
    UninstallInfo record;
    MaskRandom random{3};
};

TEST_F(PlacerTest, PlainCopyMakesFoldersClearsReadOnlyAndRecords) {
    Bytes data = random.bytes(5000);
    ASSERT_TRUE(put_file(in_media("hub.exe"), data));
    ASSERT_TRUE(SetFileAttributesA(in_media("hub.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    std::string d = in_target("a\\b\\hub.exe");
    set_entry(in_media("hub.exe"), d, 0);
    ASSERT_EQ(1, place());
    EXPECT_EQ(data, file_bytes(d));
    EXPECT_FALSE(GetFileAttributesA(d.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(std::vector<std::string>{d}, texts(record.uninstall_files));
    // Deepest first, so that the uninstaller can remove them in this order.
    std::vector<std::string> dirs = {in_target("a\\b"), in_target("a")};
    EXPECT_EQ(dirs, texts(record.uninstall_dirs));
    SetFileAttributesA(in_media("hub.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PlacerTest, ArchiveMemberOnlyWhenNoPlainFileHasThePath) {
    Bytes member = random.bytes(3000), plain = random.bytes(100);
    std::vector<ArchiveMember> members = {{"Help.DAT", member, "", member.size()}};
    ASSERT_TRUE(put_file(in_media("files.dat"), archive_bytes(members, 512, random)));
    set_entry(in_media("files.dat\\help.dat"), in_target("help.dat"), 0);
    ASSERT_EQ(1, place());
    EXPECT_EQ(member, file_bytes(in_target("help.dat")));
    EXPECT_EQ("found file and beginning copy\n", trace);

    // A folder holding a plain file of that exact path wins over any archive.
    ASSERT_TRUE(CreateDirectoryA(in_media("pack").c_str(), nullptr));
    ASSERT_TRUE(put_file(in_media("pack\\help.dat"), plain));
    set_entry(in_media("pack\\help.dat"), in_target("help2.dat"), 0);
    ASSERT_EQ(1, place());
    EXPECT_EQ(plain, file_bytes(in_target("help2.dat")));
    EXPECT_EQ("", trace);

    const char* unresolved[] = {"files.dat\\absent.dat", "nothing\\help.dat", "pack"};
    for (const char* source : unresolved) {
        set_entry(in_media(source), in_target("never"), 0);
        EXPECT_EQ(0, place()) << source;
    }
    set_entry("help.dat", in_target("never"), 0);
    EXPECT_EQ(0, place());
    EXPECT_FALSE(file_exists(in_target("never")));
    EXPECT_EQ(2u, record.uninstall_files.count);
}

TEST_F(PlacerTest, MaskedEntryWithShortPad) {
    Bytes result = random.bytes(4000), pad = random.bytes(1000);
    masked_media("cfg.bin", result, pad);
    std::string d = in_target("cfg.bin"), t = d + ".t", x = t + ".x";
    set_entry(in_media("cfg.bin"), d, FileEntry::kMasked, in_media("files.dat\\cfg.bin"));
    ASSERT_EQ(1, place());
    EXPECT_EQ(result, file_bytes(d));
    EXPECT_FALSE(file_exists(t));
    EXPECT_FALSE(file_exists(x));
    EXPECT_STREQ(t.c_str(), entry.source.text);
    EXPECT_STREQ(d.c_str(), entry.destination.text);
    // The temporary copies pass through the copy step and are recorded too.
    std::vector<std::string> files = {t, x, d};
    EXPECT_EQ(files, texts(record.uninstall_files));
}

TEST_F(PlacerTest, RefusedMaskedFilesNeverWriteTheDestination) {
    Bytes result = random.bytes(600), pad = random.bytes(600);
    Bytes longer = pad;
    longer.push_back(1);
    struct {
        int line;
        Bytes masked, pad;
    } cases[] = {
        {__LINE__, mask_bytes(result, pad), pad},
        {__LINE__, mask_bytes(result, pad), longer},
        {__LINE__, mask_bytes(Bytes(), pad), pad},
        {__LINE__, mask_bytes(result, Bytes()), Bytes()},
    };
    cases[0].masked[0] = 1;  // format 1
    for (auto& c : cases) {
        masked_media("m.bin", Bytes(), c.pad);
        ASSERT_TRUE(put_file(in_media("m.bin"), c.masked));
        std::string d = in_target("m" + std::to_string(c.line));
        set_entry(in_media("m.bin"), d, FileEntry::kMasked | FileEntry::kCompressed, in_media("files.dat\\m.bin"));
        EXPECT_EQ(0, place()) << "line " << c.line;
        EXPECT_FALSE(file_exists(d)) << "line " << c.line;
        EXPECT_TRUE(file_exists(d + ".t")) << "line " << c.line;
        EXPECT_STREQ(d.c_str(), entry.destination.text) << "line " << c.line;
        EXPECT_STREQ(in_media("m.bin").c_str(), entry.source.text) << "line " << c.line;
    }
}

TEST_F(PlacerTest, AnEntryThatFailedAtItsDestinationIsPlacedOnceMore) {
    // Masked and compressed: the unmasked temporary file is what fails to
    // reach D, which a folder of that name holds.
    Bytes plain = random.bytes(3000), pad = random.bytes(3000);
    masked_media("dde.exe", chunk_bytes(plain, 1000), pad);
    std::string d = in_target("dde.exe");
    ASSERT_TRUE(CreateDirectoryA(d.c_str(), nullptr));
    set_entry(in_media("dde.exe"), d, FileEntry::kMasked | FileEntry::kCompressed, in_media("files.dat\\dde.exe"));
    EXPECT_EQ(0, place());
    EXPECT_STREQ(in_media("dde.exe").c_str(), entry.source.text) << "the entry is as it was given";
    EXPECT_STREQ(d.c_str(), entry.destination.text);
    ASSERT_TRUE(RemoveDirectoryA(d.c_str()));
    ASSERT_EQ(1, place());
    EXPECT_EQ(plain, file_bytes(d));
    EXPECT_FALSE(file_exists(d + ".t"));
    EXPECT_FALSE(file_exists(d + ".t.x"));
}

TEST_F(PlacerTest, CompressedEntries) {
    Bytes plain = random.bytes(9000);
    ASSERT_TRUE(put_file(in_media("two"), chunk_bytes(plain, 5000)));
    ASSERT_TRUE(put_file(in_media("empty"), Bytes()));
    Bytes corrupt = chunk_bytes(plain, 5000);
    corrupt[corrupt.size() - 3] ^= 0x40;  // inside the second chunk's checksum
    ASSERT_TRUE(put_file(in_media("corrupt"), corrupt));

    set_entry(in_media("two"), in_target("sub\\two"), FileEntry::kCompressed);
    ASSERT_EQ(1, place());
    EXPECT_EQ(plain, file_bytes(in_target("sub\\two")));
    set_entry(in_media("empty"), in_target("empty"), FileEntry::kCompressed);
    ASSERT_EQ(1, place());
    EXPECT_TRUE(file_exists(in_target("empty")));
    EXPECT_TRUE(file_bytes(in_target("empty")).empty());
    set_entry(in_media("corrupt"), in_target("corrupt"), FileEntry::kCompressed);
    EXPECT_EQ(0, place());
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 5000), file_bytes(in_target("corrupt")));
    // A compressed file is never read from inside an archive.
    std::vector<ArchiveMember> members = {{"inside", chunk_bytes(plain, 5000), "", 0}};
    ASSERT_TRUE(put_file(in_media("files.dat"), archive_bytes(members, 512, random)));
    set_entry(in_media("files.dat\\inside"), in_target("inside"), FileEntry::kCompressed);
    EXPECT_EQ(0, place());

    std::vector<std::string> files = {in_target("sub\\two"), in_target("empty")};
    EXPECT_EQ(files, texts(record.uninstall_files));
    EXPECT_EQ(std::vector<std::string>{in_target("sub")}, texts(record.uninstall_dirs));
}

TEST_F(PlacerTest, MaskedThenExpanded) {
    Bytes plain = random.bytes(20000);
    Bytes packed = chunk_bytes(plain, 8192);
    masked_media("both.bin", packed, random.bytes(packed.size()));
    std::string d = in_target("both.bin");
    set_entry(in_media("both.bin"), d, FileEntry::kMasked | FileEntry::kCompressed, in_media("files.dat\\both.bin"));
    ASSERT_EQ(1, place());
    EXPECT_EQ(plain, file_bytes(d));
    EXPECT_FALSE(file_exists(d + ".t"));
    EXPECT_FALSE(file_exists(d + ".t.x"));
    std::vector<std::string> files = {d + ".t", d + ".t.x", d};
    EXPECT_EQ(files, texts(record.uninstall_files));
}

// Media made by the native media builder from the sample product, read back
// as the product script resolves install.dat and placed by the placer. The
// build folder's CTest sets MEDIA_ROUNDTRIP (media) and PRODUCT_DIR.
TEST(RoundTrip, BuilderMediaPlaceByteIdentical) {
    const char* media = getenv("MEDIA_ROUNDTRIP");
    const char* product = getenv("PRODUCT_DIR");
    if (!media || !product)
        GTEST_SKIP() << "needs media built by mediabuild (see media/tests/CMakeLists.txt)";
    Bytes list = file_bytes(std::string(media) + "\\install.dat");
    std::vector<ListEntry> entries;
    long total = 0;
    ASSERT_EQ("", read_install_list(std::string(list.begin(), list.end()), entries, total));
    // Destination -> product file, from the manifest.
    std::map<std::string, std::string> sources;
    std::ifstream manifest(std::string(product) + "\\manifest.txt");
    for (std::string line; std::getline(manifest, line);) {
        std::istringstream fields(line);
        std::string form, source, dest;
        if (fields >> form >> source >> dest && form != "#")
            sources[dest] = std::string(product) + "\\" + source;
    }
    TempFolder target;
    UninstallInfo record;
    int forms[4] = {0, 0, 0, 0};
    for (const ListEntry& e : entries) {
        std::string plain = std::string(media) + "\\" + e.name, packed = std::string(media) + "\\setup\\" + e.name;
        std::string member = std::string(media) + "\\files.dat\\" + e.name;
        FileEntry entry;
        entry.destination.set(target.path(e.dest).c_str());
        entry.flags = 0;
        if (GetFileAttributesA(plain.c_str()) != INVALID_FILE_ATTRIBUTES) {
            entry.source.set(plain.c_str());
            forms[0]++;
        } else if (GetFileAttributesA(packed.c_str()) != INVALID_FILE_ATTRIBUTES) {
            entry.source.set(packed.c_str());
            entry.flags = e.marked ? FileEntry::kCompressed : FileEntry::kMasked | FileEntry::kCompressed;
            if (!e.marked)
                entry.pad_source.set(member.c_str());
            forms[e.marked ? 1 : 2]++;
        } else {
            entry.source.set(member.c_str());
            forms[3]++;
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(1, place_entry(record, &entry)) << e.name;
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(sources.count(e.dest)) << e.dest;
        EXPECT_EQ(file_bytes(sources[e.dest]), file_bytes(target.path(e.dest))) << e.dest;
    }
    for (int form : forms)
        EXPECT_GT(form, 0) << "the sample media cover every form";
}

}  // namespace
