// The settings of a run, read once from the command line, and the option
// getters that read them.
#pragma once

#include <climits>
#include <string>

namespace kolvi {

struct Settings {
    int minlvl = 0;
    int maxlvl = 999;
    int leglvl = 0;
    const char* legcat = "nil";
    const char* categs = "";  // enabled categories, comma separated; empty enables all
    bool modro = true;        // read-only sources may be replaced
    const char* mfname = "";  // merge file; empty: no merge
    std::string tp_fname = "trace.tp";
    bool presnum = false;     // keep the old arguments of inactive trace points
    int first_src = -1;       // index of the first source argument
};

extern Settings settings;

constexpr int OPTION_NOT_FOUND = INT_MAX;

int find_option(int argc, const char* const* argv, const char* name);
const char* option_string(int argc, const char* const* argv, const char* name, const char* def);
int option_int(int argc, const char* const* argv, const char* name, int def);
void option_range(int argc, const char* const* argv, const char* name, int* min, int* max, int def_min,
                  int def_max);
int option_flag(int argc, const char* const* argv, const char* name, int def);
int option_alternatives(int argc, const char* const* argv, const char* alternatives, int def);
std::string option_path(int argc, const char* const* argv, const char* name, const char* def);
int option_list_start(int argc, const char* const* argv, const char* name, int def);
[[noreturn]] void usage_exit(const char* text);

// The decimal number at the start of `text`, as C's atoi reads it, with
// values beyond int held at its limits. `end` receives where reading stopped
// (text itself when no digit was read).
int read_int(const char* text, const char** end);

// Reads the settings in the edition's order; prints the version line and
// the settings echo, and ends with the usage text where asked to.
void read_settings(int argc, const char* const* argv);

}  // namespace kolvi
