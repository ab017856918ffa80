// The command line: version line, usage text, settings echo, exit statuses.
#include <gtest/gtest.h>

#include "tests/harness.h"

namespace kolvi_test {
namespace {

const char usage[] =
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

TEST(CommandLine, UsageAfterTheVersionLineWithStatus1AndNoFiles) {
    const std::vector<std::vector<std::string>> calls = {{}, {"-v"}, {"-h", "-f"}, {"-f", "a.c", "-h"}};
    for (const auto& args : calls) {
        TempDir dir;
        RunResult r = run(kolvi_program(), args, dir.path());
        EXPECT_EQ(r.out, std::string("kolvi: version 2.2.2\n") + usage);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(list_dir(dir.path()).empty());
    }
}

TEST(CommandLine, EmptySourceListWritesTheOverflowRecord) {
    TempDir dir;
    RunResult r = run(kolvi_program(), {"-f"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "trace.tp"), "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n");
}

}  // namespace
}  // namespace kolvi_test
