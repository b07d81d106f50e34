// Reading the network helper's arguments from the end of its command line.
// Quotes and blanks are never the second byte of a double-byte character,
// so the line is scanned byte by byte.
#include "command_line.h"
#include <stdlib.h>
#include <string.h>

namespace {

int is_blank(char c) {
    return c == ' ' || c == '\t';
}

struct Token {
    const char* text;
    size_t length;
    const char* begin;  // where the token starts in the line (its opening quote)
};

// The token that ends at end (after trailing blanks), found in the line from
// start; 0 when there is none.
int token_before(const char* start, const char* end, Token* token) {
    while (end > start && is_blank(end[-1]))
        end--;
    if (end == start)
        return 0;
    if (end[-1] == '"') {
        const char* open = end - 1;
        while (open > start && open[-1] != '"')
            open--;
        if (open == start)
            return 0;
        token->text = open;
        token->length = end - 1 - open;
        token->begin = open - 1;
    } else {
        const char* begin = end;
        while (begin > start && !is_blank(begin[-1]) && begin[-1] != '"')
            begin--;
        token->text = begin;
        token->length = end - begin;
        token->begin = begin;
    }
    return token->begin == start || is_blank(token->begin[-1]);
}

int copy_token(const Token& token, char* out) {
    if (token.length > 259)
        return 0;
    memcpy(out, token.text, token.length);
    out[token.length] = 0;
    return 1;
}

}  // namespace

int parse_hdl_command(const char* line, HdlCommand* out) {
    if (!line)
        return 0;
    const char* end = line + strlen(line);
    Token mode, argument, tag;
    // The mode stands without quotes.
    if (!token_before(line, end, &mode) || mode.text != mode.begin)
        return 0;
    if (mode.length == 0 || mode.length > 9 || strspn(mode.text, "0123456789") < mode.length)
        return 0;
    if (!token_before(line, mode.begin, &argument) || !token_before(line, argument.begin, &tag))
        return 0;
    HdlCommand read;
    if (!copy_token(tag, read.tag) || !copy_token(argument, read.argument))
        return 0;
    read.mode = atoi(mode.text);
    *out = read;
    return 1;
}
