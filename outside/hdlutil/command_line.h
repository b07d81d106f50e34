// The network helper's command line: the program, then two arguments in
// double quotes, then a mode number ("build160" "FOLDER" 0, "build160"
// "PRODUCT" 4).
#pragma once

struct HdlCommand {
    char tag[260];       // the build tag
    char argument[260];  // the media folder (mode 0) or the product name (mode 4)
    int mode;
};

// Reads the three arguments from the end of a whole command line, so that a
// program path with blanks, quoted or not, cannot shift them. An argument is
// a text in double quotes, taken as it stands (a folder's last backslash
// before the closing quote stays), or a run of non-blank characters; each
// follows a blank. The mode is 1 to 9 decimal digits. 1 and *out set; 0 and
// *out untouched when the line does not end that way or an argument is
// longer than 259 bytes.
int parse_hdl_command(const char* line, HdlCommand* out);
