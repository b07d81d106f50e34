// The last word of a product program's command line.
#include "program_args.h"
#include <string.h>

int started_with(const char* command_line, const char* word) {
    if (!command_line || !word)
        return 0;
    size_t end = strlen(command_line);
    while (end > 0 && (command_line[end - 1] == ' ' || command_line[end - 1] == '\t'))
        end--;
    size_t start = end;
    while (start > 0 && command_line[start - 1] != ' ' && command_line[start - 1] != '\t')
        start--;
    size_t length = strlen(word);
    // A word right at the start is the program's own name, not an argument.
    return start > 0 && end - start == length && strncmp(command_line + start, word, length) == 0;
}
