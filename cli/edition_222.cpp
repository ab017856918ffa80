// Edition 2.2.2, the tool as it ships today.
#include "cli/edition_222.h"

namespace kolvi {

static const char usage_222[] =
    "kolvi [-h][-v][-pn][-cat one,two,...][-lvl min..max][-ro][-m fname][-o fname][-f fname fname2 ...]\n"
    " -h ..............help menu\n"
    " -v ..............verbose, optional, default is off\n"
    " -pn .............preserve tracepoint numbering when trace is disabled\n"
    " -cat knl,ata, ...enabled categories, optional, default is all\n"
    " -lvl min..max ...trace point level range, optional, default is 0..9999\n"
    " -ro .............allow modification of read-only files, default is enabled\n"
    " -m mfname .......merge new trace points with existing trace point file\n"
    " -o tp-fname .....name of output file, optional, default is \"trace.tp\"\n"
    " -f src-fnames ...list of source file names, required, wildcards NOT allowed\n"
    "                  this arg-list must be last on command line\n";

const Edition edition_222 = {
    .version = "2.2.2",
    .usage = usage_222,
    .help_options = "-h",
    .version_always = true,
    .echo_settings = true,
    .has_presnum = true,
    .has_raw_quotes = true,
    .keyword_count = 29,
    .max_literal = 252,
    .max_plain_token = 0,
    .merge_text_limit = 254,
    .error_names_file = true,
    .fatal_removes_temp = true,
    .barrier = 0,
    .barrier_notice = "",
    .make_save_copy = nullptr,
};

}  // namespace kolvi
