// The trace point file: seeding with the overflow record or a merge, the
// merge reader, the guard against merging the file into itself, and write
// failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/harness.h"

namespace kolvi_test {
namespace {

const std::string overflow = "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n";
const std::string source = "TRACE1(0, knl, 1, \"new\");\n";

std::string version_and_error(const std::string& message) {
    return "kolvi: version 2.2.2\nkolvi: error in  - line - 0: " + message + "\n";
}

TEST(Merge, CopiesRecordsInTheWritersFormAndNumbersOn) {
    struct Case {
        std::string merge;
        std::string copied;
        int next;
    } cases[] = {
        // Five records 0 to 4: the first new number is 5.
        {overflow + "1 1 knl \"a\"\n2 13 ata \"b c\"\n3 0 nil \"\"\n4 2 uart \"  lead, %d\\t\"\n",
         overflow + "1 1 knl \"a\"\n2 13 ata \"b c\"\n3 0 nil \"\"\n4 2 uart \"  lead, %d\\t\"\n", 5},
        // Line ends of either kind, blank lines, extra blanks, no final
        // line end.
        {"\r\n\r\n0 0 sys \"x\"\r\n\r\n  1\t 1   knl  \"y\"  \n\n2 2 k \"z\"",
         "0 0 sys \"x\"\n1 1 knl \"y\"\n2 2 k \"z\"\n", 3},
        // Leading zeros and plus signs are written in plain decimal; other
        // values, negative ones and gaps included, are copied as they are.
        {"007 +3 a \"p\"\n-5 -0 b \"q\"\n42 1 c \"r\"\n", "7 3 a \"p\"\n-5 0 b \"q\"\n42 1 c \"r\"\n", 3},
        // An empty merge file, or one of whitespace only: no record at all,
        // not even the overflow record, and numbering starts at 0.
        {"", "", 0},
        {" \r\n\t\n", "", 0},
    };
    for (const auto& c : cases) {
        TempDir dir;
        write_file(dir / "old.tp", c.merge);
        write_file(dir / "a.c", source);
        RunResult r = run(kolvi_program(), {"-v", "-m", "old.tp", "-f", "a.c"}, dir.path());
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find("kolvi:  mfname    old.tp\nkolvi:  tp-fname  trace.tp\nkolvi:  src-fname a.c\n"
                             "kolvi: merging " + shown_path(dir / "old.tp") + " into new trace file\n"
                             "kolvi: processing "),
                  std::string::npos);
        const std::string n = std::to_string(c.next);
        EXPECT_NE(r.out.find("       " + std::to_string(c.next + 1) + " trace points active\n"), std::string::npos);
        EXPECT_EQ(read_file(dir / "trace.tp"), c.copied + n + " 1 knl \"new\"\n") << c.merge;
        EXPECT_EQ(read_file(dir / "a.c"), "TRACE1(" + n + ", knl, 1, \"new\");\n");
        EXPECT_EQ(read_file(dir / "old.tp"), c.merge);
    }
}

TEST(Merge, MalformedContentStopsTheRunNamingTheRecordsLine) {
    // Records read whole before the bad one are copied; no source is taken
    // up.
    struct Case {
        std::string merge;
        int line;
        std::string copied;
    } cases[] = {
        {"x 1 a \"t\"\n", 1, ""},
        {"1 1 a \"t\"\n2 2 b t\n", 2, "1 1 a \"t\"\n"},           // no quotes, as written for a non-literal
        {"1 1 a \"t\"\n2 2 \"b c\" \"t\"\n", 2, "1 1 a \"t\"\n"},  // a category with a blank
        {"1 1 a \"open\n2 2 b \"t\"\n", 1, ""},                    // a text without its closing quote
        {"1 1 a \"ab\r\ncd\"\n", 1, ""},
        {"1 1 a \"t\"\n\n3 3 c \"open", 3, "1 1 a \"t\"\n"},
        {"1 1 a \"t\" junk\n", 1, "1 1 a \"t\"\n"},
        {"1\n", 1, ""},
        {"99999999999 1 a \"t\"\n", 1, ""},
        {"1 1 " + std::string(260, 'c') + " \"t\"\n", 1, ""},
        {"1 1 a \"" + std::string(255, 't') + "\"\n", 1, ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        write_file(dir / "old.tp", c.merge);
        write_file(dir / "a.c", source);
        RunResult r = run(kolvi_program(), {"-m", "old.tp", "-f", "a.c"}, dir.path());
        EXPECT_EQ(r.out, version_and_error("bad record in merge file " + shown_path(dir / "old.tp") + ", line " +
                                           std::to_string(c.line)))
            << c.merge;
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "trace.tp"), c.copied) << c.merge;
        EXPECT_EQ(read_file(dir / "a.c"), source);
    }
    // The limits themselves are accepted.
    TempDir dir;
    const std::string longest = "1 1 " + std::string(259, 'c') + " \"" + std::string(254, 't') + "\"\n";
    write_file(dir / "old.tp", longest);
    RunResult r = run(kolvi_program(), {"-m", "old.tp", "-f"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(read_file(dir / "trace.tp"), longest);
}

TEST(Merge, MissingMergeFileStopsBeforeAnySource) {
    TempDir dir;
    write_file(dir / "a.c", source);
    RunResult r = run(kolvi_program(), {"-m", "gone.tp", "-f", "a.c"}, dir.path());
    EXPECT_EQ(r.out, version_and_error("cannot open " + shown_path(dir / "gone.tp") + " for merge"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "trace.tp"), "");
    EXPECT_EQ(read_file(dir / "a.c"), source);
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"a.c", "trace.tp"}));
}

TEST(Merge, AFolderAsMergeFileCannotBeRead) {
    TempDir dir;
    ::mkdir((dir / "old").c_str(), 0755);
    RunResult r = run(kolvi_program(), {"-m", "old", "-f"}, dir.path());
    EXPECT_EQ(r.out, version_and_error("cannot read merge file " + shown_path(dir / "old")));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "trace.tp"), "");
}

TEST(Merge, TheTracePointFileItselfIsRefusedUnderAnyName) {
    const std::string records = overflow + "1 1 knl \"kept\"\n";
    struct Case {
        std::vector<std::string> options;
        std::string shown;  // merge path as the message shows it, below the folder
    } cases[] = {
        {{"-m", "trace.tp"}, "trace.tp"},
        {{"-m", "./trace.tp", "-o", "trace.tp"}, "trace.tp"},
        {{"-m", "link.tp"}, "link.tp"},
        {{"-m", "sub/../trace.tp"}, "sub/../trace.tp"},
        {{"-m", "trace.tp", "-o", "sub/../link.tp"}, "trace.tp"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ::mkdir((dir / "sub").c_str(), 0755);
        write_file(dir / "trace.tp", records);
        ASSERT_EQ(::symlink("trace.tp", (dir / "link.tp").c_str()), 0);
        write_file(dir / "a.c", source);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-f", "a.c"});
        RunResult r = run(kolvi_program(), args, dir.path());
        EXPECT_EQ(r.out, version_and_error("cannot merge " + shown_path(dir / c.shown) + " into itself"));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "trace.tp"), records);
        EXPECT_EQ(read_file(dir / "a.c"), source);
    }
}

TEST(Merge, AMergeFileThatDoesNotExistYetIsNotTheNewTracePointFile) {
    SKIP_ON_WINDOWS("Windows resolves .. in the text: sub\\..\\trace.tp is trace.tp, sub or no sub");
    // Another spelling of the trace point file, which the run is about to
    // create: the merge file is missing, and must not be read from the
    // freshly created trace point file.
    TempDir dir;
    ::mkdir((dir / "sub").c_str(), 0755);
    RunResult r = run(kolvi_program(), {"-m", "sub/../trace.tp", "-f"}, dir.path());
    EXPECT_EQ(r.out, version_and_error("cannot open " + shown_path(dir / "sub/../trace.tp") + " for merge"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "trace.tp"), "");
}

TEST(TracePointFile, FailedWritesStopTheRun) {
    TempDir dir;
    RunResult r = run(kolvi_program(), {"-o", "/dev/full", "-f"}, dir.path());
    EXPECT_EQ(r.out, version_and_error("cannot write trace point file " + shown_path("/dev/full")));
    EXPECT_EQ(r.status, 2);

    // A file-size limit cuts the copy of a merge file short.
    std::string big;
    for (int i = 0; i < 2000; ++i) big += std::to_string(i) + " 1 knl \"record number " + std::to_string(i) + "\"\n";
    write_file(dir / "old.tp", big);
    Limits limits;
    limits.file_size = 4096;
    r = run(kolvi_program(), {"-m", "old.tp", "-f"}, dir.path(), limits);
    EXPECT_EQ(r.out, version_and_error("cannot write trace point file " + shown_path(dir / "trace.tp")));
    EXPECT_EQ(r.status, 2);
}

TEST(TracePointFile, ATracePointFileInAFolderThatIsMissingOrIsAFolder) {
    TempDir dir;
    ::mkdir((dir / "tp").c_str(), 0755);
    write_file(dir / "a.c", source);
    RunResult r = run(kolvi_program(), {"-o", "tp", "-f", "a.c"}, dir.path());
    EXPECT_EQ(r.out, version_and_error("cannot open trace point file " + shown_path(dir / "tp")));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "a.c"), source);
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"a.c", "tp"}));
}

}  // namespace
}  // namespace kolvi_test
