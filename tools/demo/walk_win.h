// Walks a program through its dialogs: each dialog of the program is found
// by its caption, set up as its answer says, photographed and answered.
#pragma once
#include <string>
#include <vector>

// The answer to one dialog, written "CAPTION=STEPS". STEPS are separated by
// ";": "ID" presses the button (or box) ID, "ID:TEXT" puts TEXT into the
// control ID. Every step but the last is taken before the screenshot, the
// last one after it, so the picture shows the choices made. No steps: the
// dialog is only photographed (a modeless progress display: once its bar is
// part-way).
struct Answer {
    std::string caption;
    std::vector<std::string> steps;
    bool seen = false;
};

// 1 and *out set for a well-formed "CAPTION=STEPS"; 0 otherwise.
int parse_answer(const std::string& text, Answer* out);

struct Walk {
    std::string shots;   // folder for the screenshots
    std::string prefix;  // start of each screenshot's name
    std::vector<Answer> answers;
};

// Runs command_line and answers its dialogs until it ends, printing one line
// per dialog and the program's standard output. A dialog without an answer
// is photographed, reported with its texts and given its default button.
// 1 when the program ended with exit code 0, every answered dialog appeared
// and no other dialog did; 0 otherwise (and after 300 s, when the program
// is ended).
int walk(Walk& walk, const std::string& command_line);
