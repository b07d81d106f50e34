// The word a product program was started with. Its shortcuts and Run values
// name the program by an unquoted path that may hold blanks, so the program
// takes the last word of its command line rather than cutting at the first
// blank: a path never ends in one of the product's words.
#pragma once

// 1 when the command line's last blank-separated word is word.
int started_with(const char* command_line, const char* word);
