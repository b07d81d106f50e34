// The URL log and the exclude list through the public String surface.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "prodkit.h"

namespace {

std::string text_of(String s) {
    return std::string(s.data(), s.length());
}

// The elements of the URL log, oldest first.
std::vector<std::string> url_log() {
    UrlLog log;
    std::vector<std::string> elements;
    for (unsigned long i = 0; i < log.Count(); i++)
        elements.push_back(text_of(log.Get(i)));
    return elements;
}

class Lists : public testing::Test {
protected:
    // The lists are process-wide: every test starts and ends with both empty.
    void SetUp() override { empty(); }
    void TearDown() override { empty(); }
    static void empty() {
        UrlLog log;
        while (log.Count())
            log.Remove_Last();
        exclude_list excluded;
        while (excluded.count())
            excluded.remove_last();
    }
};

TEST(KitString, ValuesCopyTheirBytes) {
    String empty;
    EXPECT_EQ(0ul, empty.length());
    ASSERT_NE(nullptr, empty.data());
    EXPECT_EQ(0, empty.data()[0]);
    String from_null((const char*)nullptr);
    EXPECT_EQ(0ul, from_null.length());
    ASSERT_NE(nullptr, from_null.data());

    char text[] = "abc";
    String a(text);
    text[0] = 'x';
    EXPECT_EQ("abc", text_of(a));
    EXPECT_EQ(0, a.data()[3]);

    String zeros("a\0b\0", 4);
    EXPECT_EQ(4ul, zeros.length());
    EXPECT_EQ(std::string("a\0b\0", 4), text_of(zeros));
    EXPECT_EQ(0, zeros.data()[4]);

    String copy(zeros);
    String assigned;
    assigned = zeros;
    String& same = assigned;
    assigned = same;
    EXPECT_EQ(text_of(zeros), text_of(copy));
    EXPECT_EQ(text_of(zeros), text_of(assigned));
    EXPECT_NE(zeros.data(), copy.data());
    assigned = String();
    EXPECT_EQ(0ul, assigned.length());
}

TEST_F(Lists, EmptyListAnswersEveryPosition) {
    UrlLog log;
    EXPECT_EQ(0ul, log.Count());
    EXPECT_EQ(0ul, log.Get(0).length());
    log.Remove_Last();
    log.Remove(0ul);
    log.Remove(String("a"));
    EXPECT_EQ(0ul, log.Count());
}

TEST_F(Lists, AddGetAndRemoveKeepInsertionOrder) {
    struct {
        int line;
        std::vector<std::string> added;
        void (*operation)(UrlLog&);
        std::vector<std::string> left;
    } cases[] = {
        {__LINE__, {"a", "b", "a"}, [](UrlLog& l) { l.Remove(String("a")); }, {"b", "a"}},
        {__LINE__, {"a", "b", "c"}, [](UrlLog& l) { l.Remove(3ul); }, {"a", "b", "c"}},
        {__LINE__, {"a", "b", "c"}, [](UrlLog& l) { l.Remove(7ul); }, {"a", "b", "c"}},
        {__LINE__, {"a", "b", "c"}, [](UrlLog& l) { l.Remove(1ul); }, {"a", "c"}},
        {__LINE__, {"a", "b", "c"}, [](UrlLog& l) { l.Remove(0ul); }, {"b", "c"}},
        {__LINE__, {"a", "b", "c"}, [](UrlLog& l) { l.Remove_Last(); }, {"a", "b"}},
        {__LINE__, {"a"}, [](UrlLog& l) { l.Remove(String("A")); }, {"a"}},
        {__LINE__, {"abc"}, [](UrlLog& l) { l.Remove(String("ab")); }, {"abc"}},
        {__LINE__, {"ab"}, [](UrlLog& l) { l.Remove(String("abc")); }, {"ab"}},
        {__LINE__, {"", "a", ""}, [](UrlLog& l) { l.Remove(String()); }, {"a", ""}},
        {__LINE__, {std::string("a\0b", 3), "a"}, [](UrlLog& l) { l.Remove(String("a")); }, {std::string("a\0b", 3)}},
        {__LINE__, {"a", std::string("a\0b", 3)}, [](UrlLog& l) { l.Remove(String("a\0b", 3)); }, {"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        empty();
        UrlLog log;
        for (const std::string& s : c.added)
            log.Add(String(s.data(), (unsigned long)s.size()));
        EXPECT_EQ(c.added, url_log());
        EXPECT_EQ(0ul, log.Get((unsigned long)c.added.size()).length());
        c.operation(log);
        EXPECT_EQ(c.left, url_log());
    }
}

TEST_F(Lists, ObjectsShareTheirClassListOnly) {
    UrlLog* first = new UrlLog;
    first->Add(String("http://a/"));
    UrlLog second;
    EXPECT_EQ(1ul, second.Count());
    delete first;
    EXPECT_EQ(1ul, second.Count());
    EXPECT_EQ("http://a/", text_of(second.Get(0)));

    exclude_list excluded;
    EXPECT_EQ(0ul, excluded.count());
    excluded.add(String("x"));
    excluded.add(String("y"));
    EXPECT_EQ(1ul, second.Count());
    excluded.remove(String("x"));
    excluded.remove(0ul);
    excluded.add(String("z"));
    excluded.remove_last();
    EXPECT_EQ(0ul, excluded.count());
    EXPECT_EQ(1ul, second.Count());
    EXPECT_EQ("", text_of(excluded.get(0)));
}

TEST_F(Lists, ExcludeListMembersMatchTheLog) {
    exclude_list excluded;
    for (const char* s : {"a", "b", "a"})
        excluded.add(String(s));
    EXPECT_EQ(3ul, excluded.count());
    EXPECT_EQ("a", text_of(excluded.get(2)));
    excluded.remove(String("a"));
    EXPECT_EQ("b", text_of(excluded.get(0)));
    EXPECT_EQ("a", text_of(excluded.get(1)));
    excluded.remove(5ul);
    EXPECT_EQ(2ul, excluded.count());
}

}  // namespace
