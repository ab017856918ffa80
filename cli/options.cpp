#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/settings.h"
#include "report/messages.h"

namespace kolvi {

Settings settings;

int find_option(int argc, const char* const* argv, const char* name) {
    for (int i = argc - 1; i >= 1; --i)
        if (std::strcmp(argv[i], name) == 0) return i;
    return OPTION_NOT_FOUND;
}

// The index of the option's value, or -1 when the option is absent or is
// the last argument and so has no value.
static int value_index(int argc, const char* const* argv, const char* name) {
    int i = find_option(argc, argv, name);
    if (i >= argc || i + 1 >= argc) return -1;
    return i + 1;
}

const char* option_string(int argc, const char* const* argv, const char* name, const char* def) {
    int v = value_index(argc, argv, name);
    return v < 0 ? def : argv[v];
}

int read_int(const char* text, const char** end) {
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p))) {
        if (end) *end = text;
        return 0;
    }
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (value <= INT_MAX) value = value * 10 + (*p - '0');
        ++p;
    }
    if (end) *end = p;
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int option_int(int argc, const char* const* argv, const char* name, int def) {
    int v = value_index(argc, argv, name);
    return v < 0 ? def : read_int(argv[v], nullptr);
}

void option_range(int argc, const char* const* argv, const char* name, int* min, int* max, int def_min,
                  int def_max) {
    *min = def_min;
    *max = def_max;
    int v = value_index(argc, argv, name);
    if (v < 0) return;
    // "%d..%d": stop at the first thing that does not fit.
    const char* p = argv[v];
    const char* end;
    int lo = read_int(p, &end);
    if (end == p) return;
    *min = lo;
    p = end;
    if (p[0] != '.' || p[1] != '.') return;
    p += 2;
    int hi = read_int(p, &end);
    if (end == p) return;
    *max = hi;
}

int option_flag(int argc, const char* const* argv, const char* name, int def) {
    return find_option(argc, argv, name) < argc ? 1 : def;
}

int option_alternatives(int argc, const char* const* argv, const char* alternatives, int def) {
    int position = 0;
    const char* p = alternatives;
    while (*p) {
        const char* bar = std::strchr(p, '|');
        std::size_t n = bar ? static_cast<std::size_t>(bar - p) : std::strlen(p);
        if (n > 0) {
            std::string name(p, n);
            if (find_option(argc, argv, name.c_str()) < argc) return position;
            ++position;
        }
        p += n;
        if (*p == '|') ++p;
    }
    return def;
}

std::string option_path(int argc, const char* const* argv, const char* name, const char* def) {
    return option_string(argc, argv, name, def);
}

int option_list_start(int argc, const char* const* argv, const char* name, int def) {
    int i = find_option(argc, argv, name);
    return i < argc ? i + 1 : def;
}

void usage_exit(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
    std::exit(exit_usage);
}

void read_settings(int argc, const char* const* argv) {
    Settings& s = settings;
    s.modro = !option_flag(argc, argv, "-ro", 0);
    s.leglvl = option_int(argc, argv, "-leg", 0);
    s.legcat = option_string(argc, argv, "-lc", "nil");
    s.categs = option_string(argc, argv, "-cat", "");
    s.mfname = option_string(argc, argv, "-m", "");
    s.first_src = option_list_start(argc, argv, "-f", -1);
    if (edition->version_always) {
        verbose = 1;
        verbose_message("version %s", edition->version);
    }
    s.tp_fname = option_path(argc, argv, "-o", "trace.tp");
    if (s.first_src < 0) usage_exit(edition->usage);
    if (option_alternatives(argc, argv, edition->help_options, -1) != -1) usage_exit(edition->usage);
    verbose = option_flag(argc, argv, "-v", 0);
    if (edition->has_presnum) s.presnum = option_flag(argc, argv, "-pn", 0) != 0;
    option_range(argc, argv, "-lvl", &s.minlvl, &s.maxlvl, 0, 999);
    if (!edition->version_always) verbose_message("version %s", edition->version);
    if (!edition->echo_settings) return;
    verbose_message(" minlvl    %d", s.minlvl);
    verbose_message(" maxlvl    %d", s.maxlvl);
    verbose_message(" leglvl    %d", s.leglvl);
    verbose_message(" legcat    %s", s.legcat);
    verbose_message(" categs    %s", s.categs);
    verbose_message(" modro     %s", s.modro ? "true" : "false");
    verbose_message(" mfname    %s", s.mfname);
    verbose_message(" tp-fname  %s", s.tp_fname.c_str());
    for (int i = s.first_src; i < argc; ++i) verbose_message(" src-fname %s", argv[i]);
}

}  // namespace kolvi
