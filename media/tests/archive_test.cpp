// The install archive reader: lookups, extraction, listing and damaged archives.
#include <gtest/gtest.h>
#include <string.h>
#include "kfilesdat.h"
#include "mediawrite.h"
#include "tempfolder.h"

namespace {

const size_t kEntry = 276;

void set_le32(Bytes& image, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++)
        image[at + i] = (unsigned char)(v >> (8 * i));
}

Bytes pattern(size_t n, unsigned seed) {
    Bytes out(n);
    for (size_t i = 0; i < n; i++)
        out[i] = (unsigned char)(i * 31 + seed);
    return out;
}

Bytes make_archive(std::vector<std::pair<std::string, Bytes>> files, uint32_t k) {
    std::vector<ArchiveMember> members;
    for (auto& f : files)
        members.push_back({f.first, f.second, "", f.second.size()});
    MaskRandom random(99);
    return archive_bytes(members, k, random);
}

class ArchiveTest : public ::testing::Test {
protected:
    std::string write(const Bytes& image) {
        std::string path = folder.path("files.dat");
        EXPECT_TRUE(put_file(path, image));
        return path;
    }
    void open(const Bytes& image) { ASSERT_EQ(1, archive.open((char*)write(image).c_str())); }
    int extract(const char* name, std::string& out) {
        out = folder.path(std::string("out.") + name);
        return archive.CopyFileA((char*)name, (char*)out.c_str(), 0);
    }

    TempFolder folder;
    kFilesDat archive;
};

TEST_F(ArchiveTest, NamesMatchWholeAndWithoutCase) {
    open(make_archive({{"Readme.TXT", pattern(10, 1)}, {"other.bin", pattern(3, 2)}}, 8));
    for (const char* name : {"readme.txt", "README.TXT", "Readme.TXT"})
        EXPECT_EQ(0x80ul, archive.GetFileAttributesA((char*)name)) << name;
    for (const char* name : {"readme", "Readme.TXT.bak", "eadme.txt", ""})
        EXPECT_EQ(0xFFFFFFFFul, archive.GetFileAttributesA((char*)name)) << name;
    EXPECT_EQ(10ul, archive.GetFileSize((char*)"rEaDmE.tXt"));
}

TEST_F(ArchiveTest, FirstOfTwoSameNamesIsUsedAndBothAreListed) {
    Bytes first = pattern(20, 1), second = pattern(30, 2);
    open(make_archive({{"dup.txt", first}, {"DUP.TXT", second}}, 16));
    std::string out;
    ASSERT_EQ(1, extract("dup.txt", out));
    EXPECT_EQ(first, file_bytes(out));
    _WIN32_FIND_DATAA data;
    void* search = archive.FindFirstFileA(&data);
    ASSERT_NE(nullptr, search);
    EXPECT_STREQ("dup.txt", data.cFileName);
    ASSERT_EQ(1, archive.FindNextFileA(search, &data));
    EXPECT_STREQ("DUP.TXT", data.cFileName);
    EXPECT_EQ(30u, data.nFileSizeLow);
    EXPECT_EQ(0, archive.FindNextFileA(search, &data));
    EXPECT_EQ(1, archive.FindClose(search));
}

TEST_F(ArchiveTest, LengthsAroundTheBlockSizeExtractExactly) {
    const uint32_t k = 64;
    const size_t lengths[] = {1, k - 1, k, k + 1, 3 * k, 0};
    std::vector<std::pair<std::string, Bytes>> files;
    for (size_t length : lengths)
        files.push_back({"length" + std::to_string(length), pattern(length, (unsigned)length)});
    open(make_archive(files, k));
    for (auto& f : files) {
        std::string out;
        ASSERT_EQ(1, extract(f.first.c_str(), out)) << f.first;
        EXPECT_EQ(f.second, file_bytes(out)) << f.first;
    }
}

TEST_F(ArchiveTest, LengthKPlusOneNeedsTwoFullRecords) {
    const uint32_t k = 32;
    Bytes image = make_archive({{"a", pattern(k + 1, 5)}}, k);
    // Cut the padding of the last mask block: the member's bytes are all
    // still there, but its last record is no longer whole.
    image.resize(image.size() - 1);
    open(image);
    std::string out;
    EXPECT_EQ(0, extract("a", out));
}

TEST_F(ArchiveTest, ZeroBlockSize) {
    Bytes image = make_archive({{"five", pattern(5, 1)}, {"none", Bytes()}}, 8);
    set_le32(image, 260, 0);
    set_le32(image, kEntry + 260, 0);
    open(image);
    std::string out;
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, extract("five", out));
    EXPECT_EQ("found file and beginning copy\nerror: couldn't malloc 0 bytes\n", testing::internal::GetCapturedStdout());
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, extract("none", out));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_FALSE(file_exists(out));
}

TEST_F(ArchiveTest, AbsentAndEmptyMembers) {
    open(make_archive({{"empty", Bytes()}}, 8));
    EXPECT_EQ(0ul, archive.GetFileSize((char*)"empty"));
    EXPECT_EQ(0ul, archive.GetFileSize((char*)"absent"));
    EXPECT_EQ(0x80ul, archive.GetFileAttributesA((char*)"empty"));
    EXPECT_EQ(0xFFFFFFFFul, archive.GetFileAttributesA((char*)"absent"));
    std::string out;
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, extract("empty", out));
    EXPECT_EQ("found file and beginning copy\n", testing::internal::GetCapturedStdout());
    EXPECT_TRUE(file_exists(out));
    EXPECT_TRUE(file_bytes(out).empty());
    EXPECT_EQ(0, extract("absent", out));
}

TEST_F(ArchiveTest, ListingFillsOnlyAttributesSizeAndName) {
    open(make_archive({{"one", pattern(7, 1)}, {"two", pattern(300, 2)}}, 16));
    _WIN32_FIND_DATAA data;
    memset(&data, 0xbd, sizeof data);
    void* search = archive.FindFirstFileA(&data);
    ASSERT_NE(nullptr, search);
    _WIN32_FIND_DATAA expected;
    memset(&expected, 0, sizeof expected);
    expected.dwFileAttributes = 0x80;
    expected.nFileSizeLow = 7;
    strcpy(expected.cFileName, "one");
    EXPECT_EQ(0, memcmp(&expected, &data, sizeof data));
    // A handle that is not ours is refused and the record left alone.
    uint32_t forged[2] = {1, 0};
    memset(&data, 0xbd, sizeof data);
    EXPECT_EQ(0, archive.FindNextFileA(forged, &data));
    EXPECT_EQ(0, archive.FindNextFileA(nullptr, &data));
    EXPECT_EQ(0xbdbdbdbdu, data.dwFileAttributes);
    EXPECT_EQ(0, archive.FindClose(forged));
    EXPECT_EQ(0, archive.FindClose(nullptr));
    ASSERT_EQ(1, archive.FindNextFileA(search, &data));
    EXPECT_EQ(300u, data.nFileSizeLow);
    EXPECT_EQ(0, archive.FindNextFileA(search, &data));
    EXPECT_EQ(0, archive.FindNextFileA(search, &data));
    EXPECT_EQ(1, archive.FindClose(search));
}

TEST_F(ArchiveTest, EmptyFirstEntryListsNothing) {
    Bytes image = make_archive({{"hidden", pattern(4, 1)}}, 8);
    image[0] = 0;
    open(image);
    _WIN32_FIND_DATAA data;
    EXPECT_EQ(nullptr, archive.FindFirstFileA(&data));
    EXPECT_EQ(0xFFFFFFFFul, archive.GetFileAttributesA((char*)"hidden"));
}

TEST_F(ArchiveTest, DirectoryMayRunToTheEndOfTheFile) {
    Bytes image = make_archive({{"a", Bytes()}, {"b", Bytes()}}, 8);
    image.resize(2 * kEntry + 100);  // no end entry, a short read ends it
    open(image);
    kFDFileEntry entry;
    EXPECT_EQ(1, archive.retrieve_header(1ul, entry));
    EXPECT_STREQ("b", entry.name);
    memset(&entry, 0xbd, sizeof entry);
    EXPECT_EQ(0, archive.retrieve_header(2ul, entry));
    EXPECT_EQ(0xbdbdbdbdu, entry.length);
}

// The directory is read 126,976 bytes at a time, which cuts the 461st entry
// in two: entries on both sides of each cut, and the last, are found and
// extract, also when the directory runs to the end of the file.
TEST_F(ArchiveTest, LongDirectoriesAreReadAcrossTheirBlocks) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (unsigned i = 0; i < 1000; i++)
        files.push_back({"m" + std::to_string(i), pattern(i % 7, i)});
    Bytes image = make_archive(files, 8);
    for (int ended : {1, 0}) {
        Bytes cut = image;
        if (!ended)
            cut.resize(1000 * kEntry);  // no end entry, no records: lookups only
        archive.close();
        open(cut);
        for (unsigned i : {0u, 459u, 460u, 461u, 919u, 920u, 999u}) {
            kFDFileEntry entry;
            ASSERT_EQ(1, archive.retrieve_header((unsigned long)i, entry)) << i;
            EXPECT_EQ("m" + std::to_string(i), entry.name) << i;
            EXPECT_EQ(0x80ul, archive.GetFileAttributesA(entry.name)) << i;
            std::string out;
            if (ended) {
                ASSERT_EQ(1, extract(entry.name, out)) << i;
                EXPECT_EQ(files[i].second, file_bytes(out)) << i;
            }
        }
        kFDFileEntry past;
        EXPECT_EQ(0, archive.retrieve_header(1000ul, past));
        EXPECT_EQ(0xFFFFFFFFul, archive.GetFileAttributesA((char*)"m1000"));
    }
}

TEST_F(ArchiveTest, NameFillingItsWholeFieldIsCutWithinIt) {
    Bytes image = make_archive({{"x", pattern(3, 1)}}, 8);
    memset(image.data(), 'n', 260);
    open(image);
    kFDFileEntry entry;
    ASSERT_EQ(1, archive.retrieve_header(0ul, entry));
    EXPECT_EQ(259u, strlen(entry.name));
    _WIN32_FIND_DATAA data;
    void* search = archive.FindFirstFileA(&data);
    ASSERT_NE(nullptr, search);
    EXPECT_EQ(259u, strlen(data.cFileName));
    archive.FindClose(search);
    EXPECT_EQ(3ul, archive.GetFileSize(entry.name));
}

TEST_F(ArchiveTest, RecordsPastTheEndFailWithoutAllocating) {
    struct {
        int line;
        uint32_t k, length, offset;
    } cases[] = {
        {__LINE__, 0xFFFFFFF0u, 5, 552},         // a block larger than memory
        {__LINE__, 8, 0xFFFFFFFFu, 552},         // a length the file cannot hold
        {__LINE__, 8, 8, 0xFFFFFFF8u},           // data beyond the end
        {__LINE__, 0x80000000u, 0x80000001u, 0},  // sizes that overflow 32 bits
    };
    for (auto& c : cases) {
        Bytes image = make_archive({{"m", pattern(8, 1)}}, 8);
        set_le32(image, 260, c.k);
        set_le32(image, 268, c.length);
        set_le32(image, 272, c.offset);
        archive.close();
        open(image);
        std::string out;
        testing::internal::CaptureStdout();
        EXPECT_EQ(0, extract("m", out)) << "line " << c.line;
        testing::internal::GetCapturedStdout();
    }
}

TEST_F(ArchiveTest, TruncatedArchiveFailsTheExtraction) {
    Bytes member = pattern(1000, 3);
    Bytes image = make_archive({{"big", member}}, 128);
    image.resize(image.size() - 300);
    open(image);
    std::string out;
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, extract("big", out));
    testing::internal::GetCapturedStdout();
}

TEST_F(ArchiveTest, DestinationRules) {
    Bytes member = pattern(50, 4);
    open(make_archive({{"m", member}}, 16));
    std::string existing = folder.path("existing");
    ASSERT_TRUE(put_text(existing, "keep"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, archive.CopyFileA((char*)"m", (char*)existing.c_str(), 1));
    EXPECT_EQ("keep", std::string((char*)file_bytes(existing).data(), 4));
    EXPECT_EQ(1, archive.CopyFileA((char*)"m", (char*)existing.c_str(), 0));
    EXPECT_EQ(member, file_bytes(existing));
    std::string nowhere = folder.path("missing") + kSeparator + "m";
    EXPECT_EQ(0, archive.CopyFileA((char*)"m", (char*)nowhere.c_str(), 0));
    testing::internal::GetCapturedStdout();
}

TEST_F(ArchiveTest, OpenAndCloseStates) {
    Bytes first = make_archive({{"first", pattern(4, 1)}}, 8);
    std::string second = folder.path("second.dat");
    ASSERT_TRUE(put_file(second, make_archive({{"second", pattern(4, 1)}}, 8)));
    open(first);
    EXPECT_EQ(0, archive.open((char*)second.c_str()));
    EXPECT_EQ(0x80ul, archive.GetFileAttributesA((char*)"first"));
    EXPECT_STREQ(folder.path("files.dat").c_str(), archive.path.text);
    EXPECT_EQ(1, archive.close());
    EXPECT_EQ(nullptr, archive.path.text);
    EXPECT_EQ(1, archive.close());
    _WIN32_FIND_DATAA data;
    kFDFileEntry entry;
    std::string out;
    EXPECT_EQ(nullptr, archive.FindFirstFileA(&data));
    EXPECT_EQ(0, archive.retrieve_header(0ul, entry));
    EXPECT_EQ(0xFFFFFFFFul, archive.GetFileAttributesA((char*)"first"));
    EXPECT_EQ(0, extract("first", out));
    EXPECT_EQ(0, archive.open((char*)folder.path("absent.dat").c_str()));
    EXPECT_EQ(1, archive.open((char*)second.c_str()));
    EXPECT_EQ(0x80ul, archive.GetFileAttributesA((char*)"second"));
}

}  // namespace
