// Edition 0.0.1: the earlier edition of the tool, told as data and the one
// function that really differs, the save copy by the command processor.
#include "edition001/edition001.h"

#include "platform/fs.h"
#include "report/messages.h"

namespace kolvi {

static const char usage_001[] =
    "kolvi 0.0.1 usage:\n"
    "kolvi [-h|-u] [-v] [-cat one,two,...] [-lvl min..max] [-lc legcat] [-leg lvl] [-ro] [-o tp-fname] -f "
    "src-fname [src-fname ...]\n"
    " -h|-u ...........print help/usage\n"
    " -v ..............verbose, optional, default is off\n"
    " -cat knl,ata, ...enabled categories, optional, default is all\n"
    " -lvl min..max ...trace point level range, optional, default is 0..999\n"
    " -lc legcat ......category to assign to converted legacy trace points, optional, default is 'nil'\n"
    " -leg level ......level to assign to converted legacy trace points, optional, default is 0\n"
    " -ro .............allow modification of read-only files, optional, default is enabled\n"
    " -m mfname .......merge new trace points with existing trace point file, default is none\n"
    " -o tp-fname .....name of output file, optional, default is \"trace.tp\"\n"
    " -f src-fnames ...list of source file names, required, wildcards are NOT allowed\n"
    "                  this is the only arg whose order matters, it must be the last one\n";

// The copy command of the command processor makes the save copy; a copy
// that did not succeed stops the run before the source is touched, and what
// it may have left at the save path is no save copy (a directory there is
// left alone).
static void save_copy_by_command(const char* full_path, const char* save_path) {
    if (!copy_by_command_processor(full_path, save_path)) {
        remove_file(save_path);
        fatal_error("could not make a backup copy of %s", full_path);
    }
}

const Edition edition_001 = {
    .version = "0.0.1",
    .usage = usage_001,
    .help_options = "-h|-u",
    .version_always = false,
    .echo_settings = false,
    .has_presnum = false,
    .has_raw_quotes = false,
    .keyword_count = 19,
    .max_literal = 253,
    .max_plain_token = 253,
    .merge_text_limit = 255,
    .error_names_file = false,
    .fatal_removes_temp = false,
    .barrier = 250,
    .barrier_notice = ">>>FREEDOM! the mivo max trace point barrier has been BROKEN!<<<",
    .make_save_copy = save_copy_by_command,
};

}  // namespace kolvi
