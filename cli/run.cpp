#include "cli/run.h"

#include <string>

#include "cli/settings.h"
#include "convert/convert.h"
#include "convert/trace_point_file.h"
#include "files/source_file.h"
#include "platform/fs.h"
#include "report/messages.h"

namespace kolvi {

static void process_source(const char* arg) {
    line_number = 1;
    std::string full;
    if (!full_path(arg, full)) {
        source_path = arg;
        fatal_error("path %s is too long", arg);
    }
    source_path = full;
    FileFacts facts = find_file(full);
    if (!facts.exists) fatal_error("file %s not found", arg);
    if (!facts.regular) fatal_error("%s is not a regular file", arg);
    prepare_source(full, facts.read_only);
    convert_source();
    replace_source(full, facts.read_only);
}

// Creating the trace point file empties it: were it one of the sources, or
// the save copy of one, that file would be lost before its pass began.
static void refuse_trace_point_file_over_sources(int argc, const char* const* argv) {
    std::string tp;
    if (!full_path(settings.tp_fname, tp)) return;  // open_trace_point_file reports it
    for (int i = settings.first_src; i < argc; ++i) {
        std::string full;
        if (!full_path(argv[i], full)) continue;  // reported when the source's turn comes
        if (same_file(full, tp) || same_file(full + ".sav", tp))
            fatal_error("cannot write trace point file %s over %s", settings.tp_fname.c_str(), argv[i]);
    }
}

int run(int argc, const char* const* argv, const Edition& chosen) {
    edition = &chosen;
    read_settings(argc, argv);
    refuse_trace_point_file_over_sources(argc, argv);
    open_trace_point_file();
    legacy_count = 0;
    for (int i = settings.first_src; i < argc; ++i) {
        process_source(argv[i]);
        if (edition->barrier > 0 && next_number >= edition->barrier) verbose_message("%s", edition->barrier_notice);
    }
    close_trace_point_file();
    verbose_message(
        "%d legacy trace points converted\n       %d trace points active\n       %d trace points inactive\n"
        "       %d total trace points processed\n",
        legacy_count, next_number, total_count - next_number, total_count);
    return exit_complete;
}

}  // namespace kolvi
