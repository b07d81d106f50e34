// Reading the counter server's "postresult=" answer.
#include <limits.h>
#include <string.h>
#include "kit_internal.h"

static const char kResultTag[] = "postresult=";

// The first occurrence of the tag in the text's n bytes, or null.
static const char* find_tag(const char* text, size_t n) {
    const size_t tag = sizeof kResultTag - 1;
    for (size_t i = 0; i + tag <= n; i++)
        if (memcmp(text + i, kResultTag, tag) == 0)
            return text + i;
    return nullptr;
}

static int is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A signed decimal number at p (before end) as the C library's strtol reads
// it: white space, a sign, digits up to the first non-digit.
static long read_number(const char* p, const char* end) {
    while (p < end && is_blank(*p))
        p++;
    int negative = 0;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    unsigned long value = 0;
    const unsigned long limit = negative ? (unsigned long)LONG_MAX + 1 : (unsigned long)LONG_MAX;
    for (; p < end && *p >= '0' && *p <= '9'; p++) {
        unsigned digit = (unsigned)(*p - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    if (!negative)
        return (long)value;
    return value > (unsigned long)LONG_MAX ? LONG_MIN : -(long)value;
}

int read_post_result(const char* reply, size_t length, long* number) {
    if (!reply)
        return 0;
    // The reply is read as a text: it ends at its first zero byte.
    const char* zero = (const char*)memchr(reply, 0, length);
    size_t n = zero ? (size_t)(zero - reply) : length;
    const char* tag = find_tag(reply, n);
    if (!tag)
        return 0;
    *number = read_number(tag + sizeof kResultTag - 1, reply + n);
    return 1;
}
