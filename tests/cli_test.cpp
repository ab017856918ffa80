// The command line and the run around the sources: version line, usage
// text, settings echo, exit statuses, the source list and its error lines.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

const char overflow[] = "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n";

std::string statistics(int legacy, int active, int inactive) {
    return "kolvi: " + std::to_string(legacy) + " legacy trace points converted\n       " +
           std::to_string(active) + " trace points active\n       " + std::to_string(inactive) +
           " trace points inactive\n       " + std::to_string(active + inactive) +
           " total trace points processed\n\n";
}

std::string echo(const std::string& range_min, const std::string& range_max, const std::string& rest) {
    return "kolvi: version 2.2.2\n"
           "kolvi:  minlvl    " + range_min + "\n"
           "kolvi:  maxlvl    " + range_max + "\n" + rest;
}

TEST(CommandLine, UsageAfterTheVersionLineWithStatus1AndNoFiles) {
    const std::vector<std::vector<std::string>> calls = {
        {}, {"-v"}, {"-h", "-f"}, {"-f", "a.c", "-h"}, {"-o", "x.tp", "-m", "old.tp", "-cat", "f"},
        {"-F", "a.c"}, {"--f", "a.c"}};
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
    EXPECT_EQ(read_file(dir / "trace.tp"), overflow);
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"trace.tp"});
}

TEST(CommandLine, SettingsEchoWithDefaultsEndsEmptyValuesWithTheirBlanks) {
    TempDir dir;
    RunResult r = run(kolvi_program(), {"-v", "-f"}, dir.path());
    EXPECT_EQ(r.out, echo("0", "999",
                          "kolvi:  leglvl    0\n"
                          "kolvi:  legcat    nil\n"
                          "kolvi:  categs    \n"
                          "kolvi:  modro     true\n"
                          "kolvi:  mfname    \n"
                          "kolvi:  tp-fname  trace.tp\n") +
                         statistics(0, 1, 0));
    EXPECT_EQ(r.status, 0);
}

TEST(CommandLine, LastOccurrenceWinsAndValuesAreSearchedAsOptions) {
    // "-cat -v" makes the categories "-v" and switches verbose on; the first
    // "-f" and its name are neither processed nor echoed; "-m" with an empty
    // value merges nothing.
    TempDir dir;
    write_file(dir / "a.c", "TRACE1(4, knl, 3, \"a\");\n");
    write_file(dir / "b.c", "TRACE2(4, knl, 3, \"b\");\n");
    RunResult r = run(kolvi_program(),
                      {"-cat", "-v", "-lvl", "1..2", "-lvl", "3..4", "-ro", "-lc", "boot", "-leg", "7", "-m", "",
                       "-o", "first.tp", "-o", "out.tp", "-f", "skipped.c", "-f", "a.c", "b.c"},
                      dir.path());
    EXPECT_EQ(r.out, echo("3", "4",
                          "kolvi:  leglvl    7\n"
                          "kolvi:  legcat    boot\n"
                          "kolvi:  categs    -v\n"
                          "kolvi:  modro     false\n"
                          "kolvi:  mfname    \n"
                          "kolvi:  tp-fname  out.tp\n"
                          "kolvi:  src-fname a.c\n"
                          "kolvi:  src-fname b.c\n"
                          "kolvi: processing " + shown_path(dir / "a.c") + "\n"
                          "kolvi: backing up to " + shown_path(dir / "a.c") + ".sav \n"
                          "kolvi: processing " + shown_path(dir / "b.c") + "\n"
                          "kolvi: backing up to " + shown_path(dir / "b.c") + ".sav \n") +
                         statistics(0, 1, 2));
    EXPECT_EQ(r.status, 0);
    // No trace point has the category "-v": both become inactive.
    EXPECT_EQ(read_file(dir / "a.c"), "trace1(0, knl, 3, \"a\");\n");
    EXPECT_EQ(read_file(dir / "b.c"), "trace2(0, knl, 3, \"b\");\n");
    EXPECT_EQ(read_file(dir / "out.tp"), overflow);
    EXPECT_FALSE(exists(dir / "first.tp"));
}

TEST(CommandLine, LevelRangeForms) {
    struct Case {
        const char* value;
        const char* min;
        const char* max;
    } cases[] = {{"7", "7", "999"}, {"..7", "0", "999"}, {"-5..5", "-5", "5"}, {"5..2", "5", "2"}};
    for (const auto& c : cases) {
        TempDir dir;
        RunResult r = run(kolvi_program(), {"-v", "-lvl", c.value, "-f"}, dir.path());
        EXPECT_EQ(r.out.substr(0, echo(c.min, c.max, "").size()), echo(c.min, c.max, "")) << c.value;
    }
}

TEST(CommandLine, ValueTakingOptionLastIsAbsentAndAlsoASourceName) {
    // "-lvl" stands last: no range is read (a level 500 stays active), and
    // it names the source, a file called -lvl.
    TempDir dir;
    write_file(dir / "-lvl", "TRACE3(0, knl, 500, \"x\");\n");
    RunResult r = run(kolvi_program(), {"-f", "-lvl"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "-lvl"), "TRACE3(1, knl, 500, \"x\");\n");
    EXPECT_EQ(read_file(dir / "trace.tp"), std::string(overflow) + "1 3 knl \"x\"\n");
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"-lvl", "-lvl.sav", "trace.tp"}));

    // Without such a file the option after "-f" is a missing source.
    TempDir other;
    r = run(kolvi_program(), {"-f", "-o"}, other.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in " + shown_path(other / "-o") +
                         " - line - 1: file -o not found\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(other / "trace.tp"), overflow);
}

TEST(RunDriver, MissingSourceStopsTheRunBetweenTwoOthers) {
    TempDir dir;
    write_file(dir / "a.c", "TRACE1(0, knl, 1, \"a\");\n");
    write_file(dir / "c.c", "TRACE1(0, knl, 1, \"c\");\n");
    RunResult r = run(kolvi_program(), {"-f", "a.c", "./missing.c", "c.c"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in " + shown_path(dir / "missing.c") +
                         " - line - 1: file ./missing.c not found\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "a.c"), "TRACE1(1, knl, 1, \"a\");\n");
    EXPECT_EQ(read_file(dir / "c.c"), "TRACE1(0, knl, 1, \"c\");\n");
    EXPECT_EQ(read_file(dir / "trace.tp"), std::string(overflow) + "1 1 knl \"a\"\n");
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"a.c", "a.c.sav", "c.c", "trace.tp"}));
}

TEST(RunDriver, RelativeNamesAreShownAsFullPathsAndEchoedAsTyped) {
    TempDir dir;
    ::mkdir((dir / "sub").c_str(), 0755);
    write_file(dir / "sub/a.c", "x;\n");
    RunResult r = run(kolvi_program(), {"-v", "-f", "./sub//a.c", "sub/nope.c"}, dir.path());
    EXPECT_NE(r.out.find("kolvi:  src-fname ./sub//a.c\nkolvi:  src-fname sub/nope.c\n"), std::string::npos);
    EXPECT_NE(r.out.find("kolvi: processing " + shown_path(dir / "sub/a.c") + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("kolvi: error in " + shown_path(dir / "sub/nope.c") +
                         " - line - 1: file sub/nope.c not found\n"),
              std::string::npos);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(exists(dir / "sub/a.c.sav"));
}

TEST(RunDriver, ErrorsBeforeTheFirstSourceNameNoFileAndLineZero) {
    TempDir dir;
    RunResult r = run(kolvi_program(), {"-o", "no/such/folder/x.tp", "-f"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in  - line - 0: cannot open trace point file " +
                         shown_path(dir / "no/such/folder/x.tp") + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(list_dir(dir.path()).empty());
}

TEST(RunDriver, PathsLongerThanTheSystemAllowsAreRefused) {
    if (testing_windows()) GTEST_SKIP() << "the limit is the platform's";
    TempDir dir;
    ::mkdir((dir / "x").c_str(), 0755);
    std::string deep;
    while (deep.size() < 5000) deep += "x/../";
    write_file(dir / "a.c", "TRACE1(0, knl, 1, \"a\");\n");

    RunResult r = run(kolvi_program(), {"-f", "a.c", deep + "a.c"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in " + deep + "a.c - line - 1: path " + deep +
                         "a.c is too long\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "a.c"), "TRACE1(1, knl, 1, \"a\");\n");

    r = run(kolvi_program(), {"-o", deep + "t.tp", "-f", "a.c"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in  - line - 0: path " + deep + "t.tp is too long\n");
    EXPECT_EQ(r.status, 2);

    r = run(kolvi_program(), {"-m", deep + "m.tp", "-f", "a.c"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in  - line - 0: path " + deep + "m.tp is too long\n");
    EXPECT_EQ(r.status, 2);

    // The source's own path fits, but its save path does not: nothing is
    // made for it.
    const std::size_t limit = 4095;
    std::string prefix = dir.path() + "/";
    std::string name = "a.c";
    std::string spelled;
    while (prefix.size() + spelled.size() + 5 + name.size() <= limit - 4) spelled += "x/../";
    while (prefix.size() + spelled.size() + name.size() < limit - 3) name = "b" + name;
    ASSERT_LE(name.size(), 255u);
    write_file(dir / name, "TRACE1(0, knl, 1, \"b\");\n");
    std::string full = prefix + spelled + name;
    ASSERT_EQ(full.size(), limit - 3);
    std::vector<std::string> before = list_dir(dir.path());
    r = run(kolvi_program(), {"-f", spelled + name}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in " + full + " - line - 1: path " + full +
                         ".sav is too long\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(list_dir(dir.path()), before);
    EXPECT_EQ(read_file(dir / name), "TRACE1(0, knl, 1, \"b\");\n");
}

}  // namespace
}  // namespace kolvi_test
