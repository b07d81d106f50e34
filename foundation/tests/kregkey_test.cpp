// kRegKey against the real registry, under a private current-user key.
#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <string>
#include "kregkey.h"

static char kBase[] = "Software\\VantrelTests\\RegKey";

class RegKeyTest : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kBase); }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kBase);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VantrelTests");  // only if now empty
    }
    // Type and stored length of a value, read past kRegKey.
    static void stored(HKEY key, const char* name, DWORD* type, DWORD* size) {
        *size = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, name, nullptr, type, nullptr, size));
    }
    static int exists(const char* subkey) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return 0;
        RegCloseKey(key);
        return 1;
    }
};

TEST_F(RegKeyTest, OpenNeedsTheKeyCreateMakesItWithItsParents) {
    char path[] = "Software\\VantrelTests\\RegKey\\Deep\\Er";
    kRegKey key;
    EXPECT_EQ(0, key.open(HKEY_CURRENT_USER, path));
    EXPECT_EQ(nullptr, key.getkey());
    EXPECT_EQ(1, key.create(HKEY_CURRENT_USER, path));
    EXPECT_NE(nullptr, key.getkey());
    EXPECT_EQ(key.getkey(), (HKEY)key);
    EXPECT_EQ(1, key.close());
    EXPECT_EQ(0, key.close());
    EXPECT_EQ(1, exists(path));
    EXPECT_EQ(1, key.open(HKEY_CURRENT_USER, path));
    EXPECT_EQ(0, key.create(HKEY_CURRENT_USER, path));  // already holding
}

TEST_F(RegKeyTest, SecondOpenKeepsTheFirstKey) {
    char first_path[] = "Software\\VantrelTests\\RegKey\\First";
    char second_path[] = "Software\\VantrelTests\\RegKey\\Second";
    kRegKey other;
    ASSERT_EQ(1, other.create(HKEY_CURRENT_USER, second_path));
    kRegKey key;
    ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, first_path));
    HKEY first = key.getkey();
    EXPECT_EQ(0, key.open(HKEY_CURRENT_USER, second_path));
    EXPECT_EQ(first, key.getkey());
    ASSERT_EQ(1, key.set((char*)"mark", 7ul));
    unsigned long mark = 0;
    EXPECT_EQ(0, other.get((char*)"mark", &mark));  // written to the first key, not the second
}

TEST_F(RegKeyTest, TextsAreStoredWithTheirTerminator) {
    kRegKey key;
    ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, kBase));
    DWORD type, size;
    ASSERT_EQ(1, key.set((char*)"empty", (char*)""));
    stored(key, "empty", &type, &size);
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(1u, size);
    char buffer[16];
    memset(buffer, 0xbd, sizeof buffer);
    EXPECT_EQ(1, key.get((char*)"empty", buffer, sizeof buffer));
    EXPECT_EQ(0, buffer[0]);

    // "Nihon" in code page 932: two double-byte characters, 4 bytes and the zero.
    ASSERT_EQ(1, key.set((char*)"dbcs", (char*)"\x93\xfa\x96\x7b"));
    stored(key, "dbcs", &type, &size);
    EXPECT_EQ(5u, size);
    ASSERT_EQ(1, key.get((char*)"dbcs", buffer, sizeof buffer));
    EXPECT_STREQ("\x93\xfa\x96\x7b", buffer);

    EXPECT_EQ(0, key.set((char*)"null", (char*)nullptr));
    EXPECT_EQ(2ul, key.values());
}

TEST_F(RegKeyTest, DefaultValueByNullOrEmptyName) {
    kRegKey key;
    ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, kBase));
    ASSERT_EQ(1, key.set(nullptr, (char*)"default"));
    char buffer[16] = {};
    EXPECT_EQ(1, key.get((char*)"", buffer, sizeof buffer));
    EXPECT_STREQ("default", buffer);
}

TEST_F(RegKeyTest, NumbersRoundTripAndMissingLeavesTheCallersNumber) {
    kRegKey key;
    ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, kBase));
    ASSERT_EQ(1, key.set((char*)"n", 0xDEADBEEFul));
    DWORD type, size;
    stored(key, "n", &type, &size);
    EXPECT_EQ((DWORD)REG_DWORD, type);
    EXPECT_EQ(4u, size);
    unsigned long number = 0;
    EXPECT_EQ(1, key.get((char*)"n", &number));
    EXPECT_EQ(0xDEADBEEFul, number);

    number = 12345;
    EXPECT_EQ(0, key.get((char*)"missing", &number));
    EXPECT_EQ(12345ul, number);
    ASSERT_EQ(1, key.set((char*)"empty", (void*)"", 0));
    EXPECT_EQ(0, key.get((char*)"empty", &number));  // an empty value reads as missing
    EXPECT_EQ(12345ul, number);
    char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(1, key.set((char*)"eight", eight, sizeof eight));
    EXPECT_EQ(0, key.get((char*)"eight", &number));  // does not fit in 4 bytes
    EXPECT_EQ(12345ul, number);
}

TEST_F(RegKeyTest, ReadsNeverPassTheCallersRoom) {
    kRegKey key;
    ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, kBase));
    char ten[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    ASSERT_EQ(1, key.set((char*)"ten", ten, sizeof ten));
    DWORD type, size;
    stored(key, "ten", &type, &size);
    EXPECT_EQ((DWORD)REG_BINARY, type);
    EXPECT_EQ(10u, size);

    char buffer[16];
    memset(buffer, 0xbd, sizeof buffer);
    EXPECT_EQ(0, key.get((char*)"ten", buffer, 4));
    for (int i = 4; i < 16; i++)
        EXPECT_EQ((char)0xbd, buffer[i]) << i;
    EXPECT_EQ(1, key.get((char*)"ten", buffer, 10));
    EXPECT_EQ(0, memcmp(ten, buffer, 10));
    EXPECT_EQ((char)0xbd, buffer[10]);

    unsigned long room = 4;
    memset(buffer, 0xbd, sizeof buffer);
    EXPECT_EQ(0, key.get((char*)"ten", (void*)buffer, &room));
    EXPECT_EQ(10ul, room);  // the length needed
    for (int i = 4; i < 16; i++)
        EXPECT_EQ((char)0xbd, buffer[i]) << i;
    room = sizeof buffer;
    EXPECT_EQ(1, key.get((char*)"ten", (void*)buffer, &room));
    EXPECT_EQ(10ul, room);
    room = 0;
    EXPECT_EQ(1, key.get((char*)"ten", (void*)nullptr, &room));  // length only
    EXPECT_EQ(10ul, room);
    room = 77;
    EXPECT_EQ(0, key.get((char*)"missing", (void*)buffer, &room));
    EXPECT_EQ(77ul, room);
    EXPECT_EQ(0, key.get((char*)"ten", (char*)nullptr, 10));
}

TEST_F(RegKeyTest, CountsAndEnumeratesValuesAndSubkeys) {
    kRegKey key;
    ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, kBase));
    EXPECT_EQ(0ul, key.children());
    EXPECT_EQ(0ul, key.values());
    for (const char* name : {"beta", "alpha", "gamma"})
        ASSERT_EQ(1, key.set((char*)name, 1ul));
    for (const char* name : {"Zed", "Ant"}) {
        std::string path = std::string(kBase) + "\\" + name;
        kRegKey sub;
        ASSERT_EQ(1, sub.create(HKEY_CURRENT_USER, (char*)path.c_str()));
    }
    EXPECT_EQ(3ul, key.values());
    EXPECT_EQ(2ul, key.children());

    // The order is the system's (Wine sorts names; Windows keeps creation order).
    std::set<std::string> values, children;
    char name[32];
    for (unsigned long i = 0; i < 3; i++) {
        ASSERT_EQ(1, key.value(i, name, sizeof name)) << i;
        values.insert(name);
    }
    EXPECT_EQ(0, key.value(3, name, sizeof name));
    for (unsigned long i = 0; i < 2; i++) {
        ASSERT_EQ(1, key.child(i, name, sizeof name)) << i;
        children.insert(name);
    }
    EXPECT_EQ(0, key.child(2, name, sizeof name));
    EXPECT_EQ((std::set<std::string>{"alpha", "beta", "gamma"}), values);
    EXPECT_EQ((std::set<std::string>{"Ant", "Zed"}), children);

    char small[3];
    EXPECT_EQ(0, key.value(0, small, sizeof small));  // every name is longer than 2
    EXPECT_EQ(0, key.child(0, small, sizeof small));
}

TEST_F(RegKeyTest, RemoveDeletesNothing) {
    kRegKey key;
    ASSERT_EQ(1, key.create(HKEY_CURRENT_USER, kBase));
    ASSERT_EQ(1, key.set((char*)"v", 1ul));
    EXPECT_EQ(0, key.remove());
    EXPECT_EQ(1, exists(kBase));
    unsigned long v = 0;
    EXPECT_EQ(1, key.get((char*)"v", &v));  // still held, value still there
}

TEST_F(RegKeyTest, EveryMemberFailsWithoutAKey) {
    kRegKey key;
    char buffer[8];
    unsigned long number = 5, size = sizeof buffer;
    EXPECT_EQ(nullptr, key.getkey());
    EXPECT_EQ(0, key.close());
    EXPECT_EQ(0, key.remove());
    EXPECT_EQ(0, key.set((char*)"a", (char*)"x"));
    EXPECT_EQ(0, key.set((char*)"a", 1ul));
    EXPECT_EQ(0, key.set((char*)"a", buffer, 1));
    EXPECT_EQ(0, key.get((char*)"a", buffer, sizeof buffer));
    EXPECT_EQ(0, key.get((char*)"a", &number));
    EXPECT_EQ(0, key.get((char*)"a", (void*)buffer, &size));
    EXPECT_EQ(5ul, number);
    EXPECT_EQ(sizeof buffer, size);
    EXPECT_EQ(0ul, key.children());
    EXPECT_EQ(0ul, key.values());
    EXPECT_EQ(0, key.child(0, buffer, sizeof buffer));
    EXPECT_EQ(0, key.value(0, buffer, sizeof buffer));
}
