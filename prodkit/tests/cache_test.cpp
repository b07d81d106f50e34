// Cache size accounting through the exports, on real cache folders.
#include <gtest/gtest.h>
#include <stdio.h>
#include <filesystem>
#include <fstream>
#include <string>
#include "prodkit.h"
#ifdef _WIN32
#include "kit_testing.h"
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
using kit_testing::KitOutput;
#else
// What the kit prints, natively: its code is linked into this program.
class KitOutput {
public:
    KitOutput() {
        fflush(stdout);
        testing::internal::CaptureStdout();
    }
    ~KitOutput() { finish(); }
    KitOutput(const KitOutput&) = delete;
    KitOutput& operator=(const KitOutput&) = delete;
    std::string finish() {
        if (finished_)
            return "";
        finished_ = true;
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

private:
    bool finished_ = false;
};
#endif

// A cache folder of its own, removed with its files.
class CacheFolder {
public:
    explicit CacheFolder(const std::string& tag) {
        path_ = fs::temp_directory_path() / ("prodkit_cache_" + tag + std::to_string(counter_++));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~CacheFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    CacheFolder(const CacheFolder&) = delete;
    CacheFolder& operator=(const CacheFolder&) = delete;

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream out(path_ / name, std::ios::binary);
        out << bytes;
    }
    // An index naming name in its field (bytes 12 to 47), with filler around.
    void index(const std::string& name, size_t length = 64) {
        std::string bytes(length, '\x7f');
        for (size_t i = 12; i < 48 && i < length; i++)
            bytes[i] = i - 12 < name.size() ? name[i - 12] : 0;
        write("cache_data", bytes);
    }
    void data(const std::string& name, size_t size) { write(name, std::string(size, 'd')); }
    // A data file of length bytes written only in its last byte, so that
    // the file system can leave the rest unallocated; its length as the
    // file system reports it.
    unsigned long long sparse(const std::string& name, unsigned long long length) {
        {
            std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
            out.seekp((std::streamoff)(length - 1));
            out.put('d');
        }
        std::error_code error;
        unsigned long long written = fs::file_size(path_ / name, error);
        return error ? 0 : written;
    }
    std::string text() const { return path_.string(); }

private:
    fs::path path_;
    static int counter_;
};
int CacheFolder::counter_ = 0;

unsigned long size_of(const CacheFolder& folder, std::string* printed) {
    std::string text = folder.text();
    KitOutput output;
    unsigned long size = Get_Current_Cache_Size(&text[0]);
    *printed = output.finish();
    return size;
}

TEST(CacheSize, IsTheLengthOfTheNamedDataFile) {
    CacheFolder folder("size");
    folder.index("cache.dat");
    folder.data("cache.dat", 1000);
    std::string printed;
    EXPECT_EQ(1000ul, size_of(folder, &printed));
    EXPECT_EQ("Opened cache.dat\n", printed);

    // A name filling all 36 bytes of the field, with no zero byte.
    std::string long_name(36, 'n');
    folder.index(long_name);
    folder.data(long_name, 7);
    EXPECT_EQ(7ul, size_of(folder, &printed));
    EXPECT_EQ("Opened " + long_name + "\n", printed);

    // The byte after the field is not part of the name.
    folder.index(long_name, 48);
    EXPECT_EQ(7ul, size_of(folder, &printed));
}

TEST(CacheSize, MissingOrShortFilesGiveZeroSilently) {
    struct {
        int line;
        bool index;
        size_t index_length;
        bool data;
    } cases[] = {
        {__LINE__, false, 0, true},  // no index
        {__LINE__, true, 64, false},  // no data file
        {__LINE__, true, 12, true},  // index ends before the field: empty name, the folder itself
        {__LINE__, true, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        CacheFolder folder("missing");
        if (c.index)
            folder.index("d", c.index_length);
        if (c.data)
            folder.data("d", 10);
        std::string printed;
        EXPECT_EQ(0ul, size_of(folder, &printed));
        EXPECT_EQ("", printed);
        std::string text = folder.text();
        EXPECT_EQ(0ul, Get_Logical_Max(&text[0], 1000, 1000)) << "size 0 has a defined result";
    }
    // A short index still names a file by what it has of the field.
    CacheFolder folder("short");
    folder.index("ab", 13);
    folder.data("a", 5);
    std::string printed;
    EXPECT_EQ(5ul, size_of(folder, &printed));
}

TEST(CacheSize, TwoGibibytesAndMoreAreMeasuredAndFourSaturate) {
    struct {
        int line;
        unsigned long long length;
        unsigned long size;
    } cases[] = {
        {__LINE__, 0x80000000ull, 0x80000000ul},  // beyond a signed 32-bit file position
        {__LINE__, 0xFFFFFFFFull, 0xFFFFFFFFul},
        {__LINE__, 0x100000005ull, 0xFFFFFFFFul},  // not 5: the size saturates
    };
    CacheFolder folder("large");
    folder.index("big");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        ASSERT_EQ(c.length, folder.sparse("big", c.length));
        std::string printed;
        EXPECT_EQ(c.size, size_of(folder, &printed));
        EXPECT_EQ("Opened big\n", printed);
    }
}

TEST(CacheSize, PathsThatDoNotFitAreRefused) {
    // "%s\\cache_data" must fit 260 bytes with its terminator.
    CacheFolder folder("fit");
    std::string base = folder.text();
    size_t room = 259 - 11;  // the separator and "cache_data"
    ASSERT_LT(base.size() + 2, room);
    fs::path fits = base + std::string(1, fs::path::preferred_separator) + std::string(room - base.size() - 1, 'f');
    fs::create_directories(fits);
    std::ofstream(fits / "cache_data", std::ios::binary) << std::string(12, 'i') << "x";
    std::ofstream(fits / "x", std::ios::binary) << "12345";
    std::string text = fits.string();
    ASSERT_EQ(room, text.size());
    EXPECT_EQ(5ul, Get_Current_Cache_Size(&text[0]));
    std::string longer = text + "g";
    EXPECT_EQ(0ul, Get_Current_Cache_Size(&longer[0]));
}

TEST(CacheSize, ADataPathThatDoesNotFitIsRefused) {
    // The index path fits in both folders; "%s\\%s" with a 36-byte name
    // fits 260 bytes from a folder of 222 characters, not from one of 223.
    CacheFolder folder("datafit");
    std::string name(36, 'n');
    for (size_t length : {222u, 223u}) {
        SCOPED_TRACE(length);
        std::string base = folder.text();
        fs::path cache = base + std::string(1, fs::path::preferred_separator) + std::string(length - base.size() - 1, 'c');
        fs::create_directories(cache);
        std::ofstream(cache / "cache_data", std::ios::binary) << std::string(12, 'i') << name;
        std::ofstream(cache / name, std::ios::binary) << "123";
        std::string text = cache.string();
        ASSERT_EQ(length, text.size());
        KitOutput quiet;
        EXPECT_EQ(length == 222 ? 3ul : 0ul, Get_Current_Cache_Size(&text[0]));
    }
}

TEST(LogicalMax, ScalesByTheSinglePrecisionQuotient) {
    struct {
        int line;
        size_t size;
        unsigned long limit, amount, expected;
    } cases[] = {
        {__LINE__, 1000, 3000, 500, 1500},
        {__LINE__, 1000, 1000, 12345, 12345},
        {__LINE__, 3, 1, 3000000000ul, 1000000029ul},  // a third is a little more in single precision
        {__LINE__, 7, 10, 700, 1000},
        {__LINE__, 1, 0xFFFFFF00ul, 0x7FFFFFFFul, 256},  // 2^63 - 2^39 - 2^32 + 256: 56 bits
        {__LINE__, 1, 0x10000ul, 0x10001ul, 0x10000ul},  // 2^32 + 2^16: the low 32 bits
        {__LINE__, 2, 3, 0, 0},
        {__LINE__, 2, 0, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        CacheFolder folder("max");
        folder.index("d");
        folder.data("d", c.size);
        std::string text = folder.text();
        KitOutput quiet;
        EXPECT_EQ(c.expected, Get_Logical_Max(&text[0], c.limit, c.amount));
    }
}

}  // namespace
