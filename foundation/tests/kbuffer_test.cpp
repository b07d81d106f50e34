// kBuffer: sizes, the trailing zero byte, resize, copy and append.
#include <gtest/gtest.h>
#include <string.h>
#include "kbuffer.h"

TEST(kBufferSize, ZeroLeavesItEmpty) {
    kBuffer b(10);
    EXPECT_EQ(1, b.size(0));
    EXPECT_EQ(nullptr, b.pointer());
    EXPECT_EQ(0u, b.size());
    char byte = 'x';
    EXPECT_EQ(1, b.give(&byte, 0));
    EXPECT_EQ(nullptr, (void*)b);
}

TEST(kBufferSize, NewBlockIsZeroedWithATrailingZero) {
    kBuffer b;
    ASSERT_EQ(1, b.size(5));
    const unsigned char* p = (const unsigned char*)b.pointer();
    for (int i = 0; i <= 5; i++)
        EXPECT_EQ(0, p[i]) << i;
    memset(b.pointer(), 'a', 5);
    ASSERT_EQ(1, b.size(3));
    EXPECT_EQ(0, ((char*)b.pointer())[0]) << "size() discards the old contents";
}

TEST(kBufferResize, KeepsLeadingBytes) {
    kBuffer b;
    ASSERT_EQ(1, b.give((void*)"abcdef", 6));
    ASSERT_EQ(1, b.resize(3));
    EXPECT_EQ(3u, b.size());
    EXPECT_EQ(0, memcmp(b.pointer(), "abc", 3));
    ASSERT_EQ(1, b.resize(8));
    EXPECT_EQ(8u, b.size());
    EXPECT_EQ(0, memcmp(b.pointer(), "abc", 3));
    kBuffer empty;
    ASSERT_EQ(1, empty.resize(4));
    EXPECT_NE(nullptr, empty.pointer());
}

TEST(kBufferResize, RefusedSizeLeavesTheBufferAsItWas) {
    kBuffer b;
    ASSERT_EQ(1, b.give((void*)"abc", 3));
    EXPECT_EQ(0, b.resize(~0ul));
    EXPECT_EQ(3u, b.size());
    EXPECT_EQ(0, memcmp(b.pointer(), "abc", 3));
}

TEST(kBufferGive, HoldsACopy) {
    char source[] = "hello";
    kBuffer b;
    ASSERT_EQ(1, b.give(source, 5));
    source[0] = 'j';
    EXPECT_EQ(0, memcmp(b.pointer(), "hello", 5));
    EXPECT_EQ(0, ((char*)b.pointer())[5]);
}

TEST(kBufferOperators, AssignAndAppend) {
    kBuffer a, b;
    a.give((void*)"abc", 3);
    b.give((void*)"de", 2);
    a += b;
    ASSERT_EQ(5u, a.size());
    EXPECT_EQ(0, memcmp(a.pointer(), "abcde", 5));
    a += a;
    ASSERT_EQ(10u, a.size());
    EXPECT_EQ(0, memcmp(a.pointer(), "abcdeabcde", 10));
    kBuffer c;
    c = b;
    ASSERT_EQ(2u, c.size());
    EXPECT_NE(c.pointer(), b.pointer());
    EXPECT_EQ(0, memcmp(c.pointer(), "de", 2));
    kBuffer empty;
    c = empty;
    EXPECT_EQ(0u, c.size());
    EXPECT_EQ(nullptr, c.pointer());
    EXPECT_EQ(1, c.flush());
}
