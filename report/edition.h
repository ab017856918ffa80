// What sets the two editions of the tool apart. Each program's main picks
// one description; the shared code reads it wherever the editions differ.
#pragma once

namespace kolvi {

struct Edition {
    const char* version;        // "2.2.2"
    const char* usage;          // the whole usage text
    const char* help_options;   // alternatives that ask for the usage text
    bool version_always;        // version line on every run, before the usage check
    bool echo_settings;         // settings echo with -v
    bool has_presnum;           // option -pn exists
    bool has_raw_quotes;        // ordinary code splits string literals into words
    int keyword_count;          // how many of the keyword table are keywords
    int max_literal;            // characters between the quotes of a string literal
    int max_plain_token;        // 0: any length, carried through unchanged
    int merge_text_limit;       // characters between the quotes of a merged record
    bool error_names_file;      // error line names the source
    bool fatal_removes_temp;    // a fatal error removes the temporary file
    int barrier;                // 0: no barrier notice
    const char* barrier_notice;
    // Makes the save copy of one source; null for the tool's own byte copy.
    void (*make_save_copy)(const char* full_path, const char* save_path);
};


}  // namespace kolvi
