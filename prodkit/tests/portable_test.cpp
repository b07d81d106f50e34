// The kit's portable readers and arithmetic: the counter reply, the cache
// index field and the scaling, and the exit when memory runs out.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdint.h>
#include <random>
#include <string>
#include "kit_internal.h"
#include "prodkit.h"

// The out-of-memory case asks for more than any allocator can give: the
// allocator must answer null rather than stop the program itself.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

TEST(PostResult, ReadsTheNumberAfterTheTag) {
    const long kUntouched = 0x5eed;
    struct {
        int line;
        std::string reply;
        int found;
        long number;
    } cases[] = {
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\npostresult=1", 1, 1},
        {__LINE__, "HTTP/1.0 200 OK\r\nX-Count: postresult=1\r\n\r\nthanks", 1, 1},
        {__LINE__, "postresult=0", 1, 0},
        {__LINE__, "postresult=yes", 1, 0},
        {__LINE__, "postresult= 0", 1, 0},
        {__LINE__, "postresult=-3", 1, -3},
        {__LINE__, "postresult= 5", 1, 5},
        {__LINE__, "postresult=\t\r\n+42x", 1, 42},
        {__LINE__, "postresult=", 1, 0},  // the tag at the very end
        {__LINE__, "postresult=99999999999999999999999", 1, LONG_MAX},
        {__LINE__, "postresult=-99999999999999999999999", 1, LONG_MIN},
        {__LINE__, "postresult=0000000000000000000000000007", 1, 7},
        {__LINE__, "postresult=2 postresult=0", 1, 2},  // the first one counts
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\nresult=1", 0, kUntouched},
        {__LINE__, "", 0, kUntouched},
        {__LINE__, "PostResult=1", 0, kUntouched},
        {__LINE__, "postresul", 0, kUntouched},
        {__LINE__, std::string("a\0postresult=1", 14), 0, kUntouched},  // text ends at the zero byte
        {__LINE__, std::string("postresult=1\0", 13), 1, 1},
        {__LINE__, std::string("postresult=\0" "1", 13), 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        // Exactly the reply's bytes, with nothing readable after them.
        std::vector<char> bytes(c.reply.begin(), c.reply.end());
        long number = kUntouched;
        EXPECT_EQ(c.found, read_post_result(bytes.data(), bytes.size(), &number));
        EXPECT_EQ(c.number, number);
    }
}

TEST(PostResult, AFullReplyBufferIsReadWithinItsLength) {
    std::string reply(1024 - 12, 'x');
    reply += "postresult=7";
    std::vector<char> bytes(reply.begin(), reply.end());
    ASSERT_EQ(1024u, bytes.size());
    long number = 0;
    EXPECT_EQ(1, read_post_result(bytes.data(), bytes.size(), &number));
    EXPECT_EQ(7, number);
    // Cut before the digit, the tag ends the buffer: found, no digits.
    EXPECT_EQ(1, read_post_result(bytes.data(), bytes.size() - 1, &number));
    EXPECT_EQ(0, number);
    number = 9;
    EXPECT_EQ(0, read_post_result(bytes.data(), bytes.size() - 2, &number));
    EXPECT_EQ(9, number);
}

TEST(CacheIndex, TheNameFieldIsReadFromByteTwelve) {
    struct {
        int line;
        std::string index;
        std::string name;
    } cases[] = {
        {__LINE__, std::string(12, 'h') + "data.bin" + std::string(28, '\0') + "tail", "data.bin"},
        {__LINE__, std::string(12, 'h') + std::string(40, 'n'), std::string(36, 'n')},
        {__LINE__, std::string(12, 'h') + "ab", "ab"},
        {__LINE__, std::string(12, 'h'), ""},
        {__LINE__, "short", ""},
        {__LINE__, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        FILE* index = tmpfile();
        ASSERT_TRUE(index);
        fwrite(c.index.data(), 1, c.index.size(), index);
        char name[kKitPath];
        memset(name, 0x5a, sizeof name);
        read_cache_name(index, name);
        fclose(index);
        EXPECT_EQ(c.name, std::string(name));
        EXPECT_EQ(0, name[kKitPath - 1]);
    }
}

TEST(CachePath, JoinsWithinTheBuffer) {
    char path[kKitPath];
    std::string folder(250, 'f');
    EXPECT_EQ(1, join_kit_path(path, folder.c_str(), "12345678"));  // 259 bytes and the terminator
    EXPECT_EQ(259u, strlen(path));
    EXPECT_EQ(0, join_kit_path(path, folder.c_str(), "123456789"));
}

// The exact result: long double keeps 64 bits on this machine, so the
// quotient rounds once to single precision and the product is exact.
unsigned long reference(uint32_t size, uint32_t limit, uint32_t amount) {
    float q = (float)((long double)limit / size);
    long double product = (long double)amount * q;
    return (uint32_t)(uint64_t)product;
}

TEST(LogicalMaxArithmetic, MatchesTheExactProduct) {
    struct {
        int line;
        uint32_t size, limit, amount;
        unsigned long expected;
    } cases[] = {
        {__LINE__, 3, 1, 3000000000u, 1000000029u},
        {__LINE__, 1, 0xFFFFFF00u, 0x7FFFFFFFu, 256},
        {__LINE__, 0xFFFFFFFFu, 1, 0xFFFFFFFFu, 0},  // 1/(2^32-1) rounds to 2^-32: just below 1
        {__LINE__, 0x7FFFFFFFu, 0xFFFFFF00u, 1, 1},
        {__LINE__, 0, 5, 5, 0},
        {__LINE__, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        EXPECT_EQ(c.expected, scale_by_cache(c.size, c.limit, c.amount));
    }
    if (sizeof(long double) < 10)
        GTEST_SKIP() << "no 64-bit long double here to compare with";
    std::mt19937 random(11);
    for (int i = 0; i < 200000; i++) {
        uint32_t size = random() >> (random() % 32), limit = random() >> (random() % 32), amount = random();
        if (!size)
            continue;
        ASSERT_EQ(reference(size, limit, amount), scale_by_cache(size, limit, amount))
            << size << " " << limit << " " << amount;
    }
}

TEST(OutOfMemory, EndsTheProcessWithItsMessage) {
    static char byte = 'x';
    EXPECT_EXIT(String s(&byte, ~0ul), testing::ExitedWithCode(1), "out of memory$");
    EXPECT_EXIT(String s(&byte, ~0ul >> 1), testing::ExitedWithCode(1), "out of memory$");
}

}  // namespace
