// kolvi-0.0.1, the earlier edition: its command line, macro set, scanner
// limits, error line, barrier notice and save copy by the command processor,
// and that on what both editions share it rewrites exactly as kolvi does.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "tests/harness.h"

namespace kolvi_test {
namespace {

const char usage001[] =
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

const char overflow[] = "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n";
const char barrier[] = "kolvi: >>>FREEDOM! the mivo max trace point barrier has been BROKEN!<<<\n";

RunResult run001(const TempDir& dir, const std::vector<std::string>& args, const Limits& limits = {}) {
    return run(kolvi001_program(), args, dir.path(), limits);
}

// The two verbose lines that open the pass over one source.
std::string pass(const std::string& full) {
    return "kolvi: processing " + shown_path(full) + "\nkolvi: backing up to " + shown_path(full) + ".sav \n";
}

std::string statistics(int legacy, int active, int inactive) {
    return "kolvi: " + std::to_string(legacy) + " legacy trace points converted\n       " + std::to_string(active) +
           " trace points active\n       " + std::to_string(inactive) + " trace points inactive\n       " +
           std::to_string(active + inactive) + " total trace points processed\n\n";
}

std::string error_line(int line, const std::string& message) {
    return "kolvi: error - line - " + std::to_string(line) + ": " + message + "\n";
}

std::string repeat(const std::string& text, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += text;
    return s;
}

// ---- command line ----

TEST(Edition001CommandLine, UsageTextAloneWithStatus1AndNoFiles) {
    const std::vector<std::vector<std::string>> calls = {
        {}, {"-v"}, {"-h", "-f"}, {"-u", "-f"}, {"-v", "-f", "a.c", "-u"}, {"-pn", "-h", "-v", "-f"}};
    for (const auto& args : calls) {
        TempDir dir;
        RunResult r = run001(dir, args);
        EXPECT_EQ(r.out, usage001) << testing::PrintToString(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(list_dir(dir.path()).empty());
    }
}

TEST(Edition001CommandLine, VersionLineOnlyWithVerboseAndNoSettingsEcho) {
    TempDir quiet;
    RunResult r = run001(quiet, {"-cat", "knl", "-lvl", "1..2", "-f"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(quiet / "trace.tp"), overflow);

    TempDir loud;
    r = run001(loud, {"-cat", "knl", "-v", "-lvl", "1..2", "-f"});
    EXPECT_EQ(r.out, "kolvi: version 0.0.1\n" + statistics(0, 1, 0));
    EXPECT_EQ(r.status, 0);
}

// A source that holds every kind of trace point of this edition, the macro
// names of the later edition among them, converted with -pn given.
TEST(Edition001Conversion, NineteenKeywordsAndNoPreservedNumbering) {
    TempDir dir;
    const std::string source =
        "void f(void) {\n"
        "    TRACE0(9, knl, 1, \"zero\");\n"
        "    trace3(4, knl, 7, \"too high %d\", x);\n"
        "    TRACE4(5, net, 2, \"other category\");\n"
        "    TRACE12(7, knl, 3, \"twelve %d\", 12);\n"
        "    trace15(0, knl, 3, \"fifteen\");\n"
        "    TRACE11 ( 1 , ata , 2 , \"eleven\" ) ;\n"
        "    TRACE_POINT2(1, 2, 3, \"legacy %s\", s);\n"
        "    TRACE_RESET();\n"
        "    c = '\"';\n"
        "}\n";
    const std::string rewritten =
        "void f(void) {\n"
        "    TRACE0(1, knl, 1, \"zero\");\n"
        "    trace3(0, knl, 7, \"too high %d\", x);\n"
        "    trace4(0, net, 2, \"other category\");\n"
        "    TRACE12(7, knl, 3, \"twelve %d\", 12);\n"
        "    trace15(0, knl, 3, \"fifteen\");\n"
        "    TRACE11 ( 1 , ata , 2 , \"eleven\" ) ;\n"
        "    TRACE2(2, ata, 2, \"legacy %s\", s);\n"
        "    TRACE();\n"
        "    c = '\"';\n"
        "}\n";
    write_file(dir / "m.c", source);
    RunResult r = run001(dir, {"-v", "-pn", "-cat", "knl,ata", "-lvl", "1..5", "-lc", "ata", "-leg", "2", "-f",
                               "m.c"});
    EXPECT_EQ(r.out, "kolvi: version 0.0.1\n" + pass(dir / "m.c") + statistics(1, 3, 2));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "m.c"), rewritten);
    EXPECT_EQ(read_file(dir / "m.c.sav"), source);
    EXPECT_EQ(read_file(dir / "trace.tp"), std::string(overflow) + "1 0 knl \"zero\"\n2 2 ata \"legacy %s\"\n");
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"m.c", "m.c.sav", "trace.tp"}));
}

// ---- errors ----

TEST(Edition001Errors, ErrorLineNamesNoFileAndEndsWithStatus2) {
    struct Case {
        std::vector<std::string> args;
        std::string expected_message;  // `@` stands for the test folder
        int line;
    };
    const std::vector<Case> cases = {
        {{"-o", "nodir/x.tp", "-f"}, "cannot open trace point file @/nodir/x.tp", 0},
        {{"-m", "old.tp", "-f"}, "cannot open @/old.tp for merge", 0},
        {{"-f", "-pn"}, "file -pn not found", 1},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string message = c.expected_message;
        if (auto at = message.find('@'); at != std::string::npos)
            message = message.substr(0, at) + shown_path(dir.path() + message.substr(at + 1));
        RunResult r = run001(dir, c.args);
        EXPECT_EQ(r.out, error_line(c.line, message));
        EXPECT_EQ(r.status, 2);
    }
}

// The merge reads a record's text into a buffer of 256 characters.
TEST(Edition001Errors, MergedTextsOfAtMost255Characters) {
    TempDir dir;
    const std::string fits = "1 1 knl \"" + std::string(255, 'm') + "\"\n";
    write_file(dir / "fits.tp", fits);
    write_file(dir / "long.tp", "1 1 knl \"" + std::string(256, 'm') + "\"\n");
    RunResult r = run001(dir, {"-m", "fits.tp", "-f"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "trace.tp"), fits);
    r = run001(dir, {"-m", "long.tp", "-f"});
    EXPECT_EQ(r.out, error_line(0, "bad record in merge file " + shown_path(dir / "long.tp") + ", line 1"));
    EXPECT_EQ(r.status, 2);
}

// A failing source is left as it was; its temporary file stays beside it
// with the text converted up to the error, and is never truncated later.
TEST(Edition001Errors, TemporaryFileKeepsTheTextConvertedSoFar) {
    struct Case {
        const char* name;
        std::string before;  // the lines before the failing one
        std::string converted;
        std::string failing_line;
        std::string written_of_failing_line;
        std::string message;
        std::string records;
    };
    std::string plain;
    for (int i = 0; plain.size() < 100000; ++i) plain += "int v" + std::to_string(i) + ";\n";
    const std::vector<Case> cases = {
        {"after a rewritten trace point",
         "int a;\n\n    TRACE1(5, knl, 1, \"one\");\n" + repeat("x++;\n", 8),
         "int a;\n\n    TRACE1(1, knl, 1, \"one\");\n" + repeat("x++;\n", 8), "    TRACE2(0, knl 3, \"x\");\n",
         "    ", "missing comma", "1 1 knl \"one\"\n"},
        {"with nothing changed before", "int a;\n// \"c\"\n", "int a;\n// \"c\"\n",
         "s = \"" + std::string(254, 's') + "\";\n", "s = ", "too many characters in string", ""},
        {"after more text than one buffer", plain, plain, "    TRACE1(0 knl, 1, \"a\");\n", "    ", "missing comma",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string source = c.before + c.failing_line + "int after;\n";
        write_file(dir / "e.c", source);
        const int line = static_cast<int>(std::count(c.before.begin(), c.before.end(), '\n')) + 1;
        RunResult r = run001(dir, {"-f", "e.c"});
        EXPECT_EQ(r.out, error_line(line, c.message));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "e.c"), source);
        EXPECT_EQ(read_file(dir / "e.c.sav"), source);
        EXPECT_EQ(read_file(dir / "e.tmp"), c.converted + c.written_of_failing_line);
        EXPECT_EQ(read_file(dir / "trace.tp"), overflow + c.records);

        // The temporary file left behind is not truncated by the next run.
        const FileStamp before = stamp(dir / "e.tmp");
        r = run001(dir, {"-f", "e.c"});
        EXPECT_EQ(r.out, error_line(1, "cannot open temporary file " + shown_path(dir / "e.tmp")));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "e.tmp"), c.converted + c.written_of_failing_line);
        EXPECT_EQ(stamp(dir / "e.tmp").mtime_ns, before.mtime_ns);
        EXPECT_EQ(read_file(dir / "e.c"), source);
    }
}

// ---- scanner limits: string literals are read whole, in ordinary code too ----

TEST(Edition001Scanner, StringLiteralsInOrdinaryCode) {
    struct Case {
        const char* name;
        std::string source;
        std::string rewritten;  // empty: the run stops
        std::string error;
        std::string records;
    };
    const std::string l253(253, 'q');
    const std::string l254(254, 'q');
    const std::vector<Case> cases = {
        {"253 characters pass", "char s[] = \"" + l253 + "\";\n", "char s[] = \"" + l253 + "\";\n", "", ""},
        {"254 characters stop", "int a;\nchar s[] = \"" + l254 + "\";\n", "",
         error_line(2, "too many characters in string"), ""},
        {"continued with a backslash", "char s[] = \"abc\\\ndef\";\n", "",
         error_line(2, "missing closing double quote on string"), ""},
        {"runs into the end of the source", "char s[] = \"abc", "",
         error_line(1, "missing closing double quote on string"), ""},
        {"escaped quote, then a quote that begins a token", "printf(\"\\\"%s\\\" \", s);\n", "",
         error_line(2, "missing closing double quote on string"), ""},
        {"escaped quotes inside tokens", "puts(\"say \\\"hi\\\" now\");\n",
         "puts(\"say \\\"hi\\\" now\");\n", "", ""},
        {"one character, an escaped quote", "c = \"\\\"\";\n", "",
         error_line(2, "missing closing double quote on string"), ""},
        {"escaped quotes that pair up", "s = \"a\\\"b\\\"\";\n", "s = \"a\\\"b\\\"\";\n", "", ""},
        {"trace macro name inside a literal",
         "s = \"TRACE1(0, knl, 1, x)\"; TRACE1(0, knl, 1, \"y, z\");\n",
         "s = \"TRACE1(0, knl, 1, x)\"; TRACE1(1, knl, 1, \"y, z\");\n", "", "1 1 knl \"y, z\"\n"},
        {"253 characters as a format string", "TRACE3(0, k, 1, \"" + l253 + "\");\n",
         "TRACE3(1, k, 1, \"" + l253 + "\");\n", "", "1 3 k \"" + l253 + "\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        write_file(dir / "s.c", c.source);
        RunResult r = run001(dir, {"-f", "s.c"});
        if (c.rewritten.empty()) {
            EXPECT_EQ(r.out, c.error);
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(read_file(dir / "s.c"), c.source);
        } else {
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(read_file(dir / "s.c"), c.rewritten);
        }
        EXPECT_EQ(read_file(dir / "trace.tp"), overflow + c.records);
    }
}

TEST(Edition001Scanner, PlainTokensOf253CharactersAtMost) {
    struct Case {
        const char* name;
        std::string before;  // text in front of the identifier
        int length;
        std::string after;
    };
    // 65536 is the size of the program's read buffer: tokens across its end.
    const std::string filler = std::string(65435, ' ') + "\n";
    const std::vector<Case> cases = {
        {"253 characters", "int ", 253, ";\n"},
        {"254 characters", "int ", 254, ";\n"},
        {"300 characters", "x;\n", 300, " y;\n"},
        {"253 across a buffer end", filler, 253, ";\n"},
        {"254 across a buffer end", filler, 254, ";\n"},
        {"254 at the end of the source", "", 254, ""},
        {"253 at the end of the source", "", 253, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string token;
        for (int i = 0; i < c.length; ++i) token += static_cast<char>('a' + i % 26);
        const std::string source = c.before + token + c.after;
        write_file(dir / "t.c", source);
        RunResult r = run001(dir, {"-f", "t.c"});
        EXPECT_EQ(read_file(dir / "t.c"), source);
        if (c.length <= 253) {
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.status, 0);
        } else {
            const int line = static_cast<int>(std::count(c.before.begin(), c.before.end(), '\n')) + 1;
            EXPECT_EQ(r.out, error_line(line, "too many characters in token \"" + token.substr(0, 253) + "\""));
            EXPECT_EQ(r.status, 2);
        }
    }
}

// ---- the barrier notice ----

std::string active_points(int count) { return repeat("TRACE1(0, knl, 1, \"p\");\n", count); }

TEST(Edition001Barrier, NoticeAfterTheSourceWithThe250thRecordAndEveryLaterOne) {
    TempDir dir;
    write_file(dir / "a.c", active_points(248));
    write_file(dir / "b.c", active_points(1) + "TRACE2(0, knl, 1000, \"inactive\");\n");
    write_file(dir / "c.c", "int nothing;\n");
    RunResult r = run001(dir, {"-v", "-f", "a.c", "c.c", "b.c", "c.c"});
    EXPECT_EQ(r.out, "kolvi: version 0.0.1\n" + pass(dir / "a.c") + pass(dir / "c.c") + pass(dir / "b.c") +
                         barrier + pass(dir / "c.c") + barrier + statistics(0, 250, 1));
    EXPECT_EQ(r.status, 0);

    // Without -v the notice is not printed either.
    write_file(dir / "a.c", active_points(249));
    r = run001(dir, {"-f", "a.c"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
}

TEST(Edition001Barrier, MergedRecordsCount) {
    struct Case {
        int merged;
        std::vector<std::string> sources;
        std::vector<bool> notice_after;
    };
    const std::vector<Case> cases = {
        {249, {"none.c", "inactive.c"}, {false, false}},
        {249, {"none.c", "one.c", "none.c"}, {false, true, true}},
        {250, {"none.c"}, {true}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string merge;
        for (int i = 0; i < c.merged; ++i) merge += std::to_string(i) + " 1 knl \"m\"\n";
        write_file(dir / "old.tp", merge);
        write_file(dir / "none.c", "int x;\n");
        write_file(dir / "inactive.c", "trace4(0, knl, 1000, \"off\");\n");
        write_file(dir / "one.c", active_points(1));
        std::vector<std::string> args = {"-v", "-m", "old.tp", "-f"};
        args.insert(args.end(), c.sources.begin(), c.sources.end());
        RunResult r = run001(dir, args);
        std::string expected = "kolvi: version 0.0.1\nkolvi: merging " + shown_path(dir / "old.tp") +
                               " into new trace file\n";
        int active = c.merged;
        int inactive = 0;
        for (std::size_t i = 0; i < c.sources.size(); ++i) {
            expected += pass(dir / c.sources[i]);
            if (c.sources[i] == "one.c") ++active;
            if (c.sources[i] == "inactive.c") ++inactive;
            if (c.notice_after[i]) expected += barrier;
        }
        expected += statistics(0, active, inactive);
        EXPECT_EQ(r.out, expected) << c.merged << " merged";
        EXPECT_EQ(r.status, 0);
    }
}

// ---- read-only sources ----

TEST(Edition001ReadOnly, ReplacedWithoutRoAndReadOnlyAgain) {
    TempDir dir;
    const std::string source = "TRACE1(0, knl, 1, \"r\");\n";
    write_file(dir / "r.c", source);
    set_mode(dir / "r.c", 0444);
    RunResult r = run001(dir, {"-v", "-f", "r.c"});
    EXPECT_EQ(r.out, "kolvi: version 0.0.1\n" + pass(dir / "r.c") + "kolvi: overriding read only file attribute\n" +
                         statistics(0, 2, 0));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "r.c"), "TRACE1(1, knl, 1, \"r\");\n");
    EXPECT_EQ(stamp(dir / "r.c").mode & 0200, 0u);
    EXPECT_EQ(read_file(dir / "r.c.sav"), source);
    EXPECT_NE(stamp(dir / "r.c.sav").mode & 0200, 0u);  // a save file is never read-only
    EXPECT_FALSE(exists(dir / "r.tmp"));

    // A read-only save file left from before is replaced all the same.
    write_file(dir / "r.c.sav", "");
    set_mode(dir / "r.c.sav", 0444);
    set_mode(dir / "r.c", 0444);
    r = run001(dir, {"-f", "r.c"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "r.c.sav"), "TRACE1(1, knl, 1, \"r\");\n");
    EXPECT_EQ(stamp(dir / "r.c").mode & 0200, 0u);
}

TEST(Edition001ReadOnly, WithRoTheRunStopsAndTheTemporaryFileHoldsTheWholeText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"TRACE1(0, knl, 1, \"r\");\n", "TRACE1(1, knl, 1, \"r\");\n"},
        {"int unchanged;\n", "int unchanged;\n"},
    };
    for (const auto& [source, text] : cases) {
        TempDir dir;
        write_file(dir / "r.c", source);
        set_mode(dir / "r.c", 0444);
        write_file(dir / "later.c", "TRACE1(0, knl, 1, \"l\");\n");
        RunResult r = run001(dir, {"-ro", "-f", "r.c", "later.c"});
        EXPECT_EQ(r.out, error_line(2, "cannot delete original file " + shown_path(dir / "r.c")));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "r.c"), source);
        EXPECT_EQ(stamp(dir / "r.c").mode & 0200, 0u);
        EXPECT_EQ(read_file(dir / "r.tmp"), text);
        EXPECT_FALSE(exists(dir / "later.c.sav"));
    }
}

// ---- the save copy by the command processor ----

TEST(Edition001SaveCopy, NamesWithBlanksAndShellCharactersAreOnlyNames) {
    TempDir dir;
    std::vector<std::string> names = {"a b.c",        "a;b.c",   "$(touch pwned).c", "`touch pwned2`.c",
                                      "it's & 100%.c", "%PATH%.c", "!x!^.c",           "-x.c"};
    if (!testing_windows()) names.push_back("\"q\" *|?.c");  // characters no Windows name may hold
    if (testing_windows()) names.erase(std::find(names.begin(), names.end(), "%PATH%.c"));  // Wine's cmd.exe expands it again
    std::vector<std::string> args = {"-f"};
    std::vector<std::string> expected_files = {"trace.tp"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        write_file(dir / names[i], "int v" + std::to_string(i) + " = TRACE1(0, knl, 1, \"n\");\n");
        args.push_back(names[i]);
        expected_files.push_back(names[i]);
        expected_files.push_back(names[i] + ".sav");
    }
    std::sort(expected_files.begin(), expected_files.end());
    RunResult r = run001(dir, args);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(list_dir(dir.path()), expected_files);  // no pwned, no stray copies
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string v = "int v" + std::to_string(i) + " = ";
        EXPECT_EQ(read_file(dir / (names[i] + ".sav")), v + "TRACE1(0, knl, 1, \"n\");\n") << names[i];
        EXPECT_EQ(read_file(dir / names[i]), v + "TRACE1(" + std::to_string(i + 1) + ", knl, 1, \"n\");\n");
    }
}

TEST(Edition001SaveCopy, AFailedCopyStopsTheRunBeforeTheSourceIsTouched) {
    const std::string source = "TRACE1(0, knl, 1, \"s\");\n" + repeat("int filler;\n", 400);
    struct Case {
        const char* name;
        bool save_is_directory;
        Limits limits;
    };
    Limits small_files;
    small_files.file_size = 1000;
    const std::vector<Case> cases = {
        {"the save path is a directory", true, {}},
        {"the copy exceeds the file-size limit", false, small_files},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        write_file(dir / "ok.c", "TRACE2(0, knl, 1, \"ok\");\n");
        write_file(dir / "s.c", source);
        write_file(dir / "later.c", "TRACE3(0, knl, 1, \"later\");\n");
        if (c.save_is_directory) {
            ASSERT_EQ(::mkdir((dir / "s.c.sav").c_str(), 0755), 0);
        }
        const FileStamp before = stamp(dir / "s.c");
        RunResult r = run001(dir, {"-f", "ok.c", "s.c", "later.c"}, c.limits);
        EXPECT_EQ(r.out, error_line(1, "could not make a backup copy of " + shown_path(dir / "s.c")));
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "s.c"), source);
        EXPECT_EQ(stamp(dir / "s.c").inode, before.inode);
        EXPECT_EQ(stamp(dir / "s.c").mtime_ns, before.mtime_ns);
        EXPECT_EQ(read_file(dir / "ok.c"), "TRACE2(1, knl, 1, \"ok\");\n");
        EXPECT_EQ(read_file(dir / "later.c"), "TRACE3(0, knl, 1, \"later\");\n");
        EXPECT_EQ(read_file(dir / "trace.tp"), std::string(overflow) + "1 2 knl \"ok\"\n");
        std::vector<std::string> left = {"later.c", "ok.c", "ok.c.sav", "s.c", "trace.tp"};
        if (c.save_is_directory) {
            left.push_back("s.c.sav");
            std::sort(left.begin(), left.end());
            EXPECT_TRUE(list_dir(dir / "s.c.sav").empty());
        }
        // No temporary file, and no partial copy that could pass for a save copy.
        EXPECT_EQ(list_dir(dir.path()), left);
    }
}

// ---- the two editions agree on what they share ----

TEST(Edition001SameAsKolvi, SharedInputGivesTheSameFiles) {
    const std::vector<std::pair<std::string, std::string>> sources = {
        {"drv.c",
         "#include <trace.h>\n"
         "// a comment with \"quotes\" and TRACE1(0, knl, 1, \"in a comment\")\n"
         "void drv(int n) {\n"
         "    TRACE0(0, knl, 1, \"start\");\r\n"
         "    trace1(17, ata, 5, \"ata at %d, %s\", n, s);\n"
         "    TRACE2 ( 3 ,\n        knl ,\n        9 ,\n        \"low\" ) ;\n"
         "    TRACE5(0, net, 2, \"net %d %d %d %d %d\", 1, 2, 3, 4, 5);\n"
         "    /* TRACE3(0, knl, 2, \"in a block comment\") */\n"
         "    c = '\"';\n"
         "    trace4(0, knl, 4, \"four\");\n"
         "}\n"},
        {"legacy.c",
         "TRACE_POINT(1, 2, 3, \"legacy zero\");\n"
         "TRACE_POINT1(a, b, c, \"legacy one %d\", x);\n"
         "TRACE_POINT5(1,2,3,\"legacy five\");\n"
         "TRACE_RESET();\n"
         "TRACE3(0, knl, 3, \"three\")"},
    };
    const std::string merge = "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n1 2 knl \"old one\"\r\n2 4 ata \"old two\"\n";
    const std::vector<std::vector<std::string>> option_sets = {
        {"-v", "-cat", "knl,ata", "-lvl", "1..8", "-lc", "ata", "-leg", "3", "-m", "old.tp", "-o", "out.tp"},
        {"-v", "-lvl", "2..5", "-lc", "knl"},
        {"-v"},
    };
    for (const auto& options : option_sets) {
        TempDir new_dir, old_dir;
        std::vector<std::string> args = options;
        args.push_back("-f");
        for (const auto& [name, text] : sources) {
            write_file(new_dir / name, text);
            write_file(old_dir / name, text);
            args.push_back(name);
        }
        write_file(new_dir / "old.tp", merge);
        write_file(old_dir / "old.tp", merge);
        RunResult rn = run(kolvi_program(), args, new_dir.path());
        RunResult ro = run001(old_dir, args);
        ASSERT_EQ(rn.status, 0) << rn.out;
        ASSERT_EQ(ro.status, 0) << ro.out;
        ASSERT_EQ(list_dir(new_dir.path()), list_dir(old_dir.path()));
        for (const auto& name : list_dir(new_dir.path())) {
            EXPECT_EQ(read_file(new_dir / name), read_file(old_dir / name)) << name;
            if (name == sources[0].first) {
                EXPECT_NE(read_file(new_dir / name), sources[0].second);
            }
        }
        // The same messages and statistics, once kolvi's version line and
        // settings echo are taken away and the folders are named alike.
        std::string shown = rn.out, expected_old;
        std::size_t at;
        while ((at = shown.find(shown_path(new_dir.path()))) != std::string::npos)
            shown.replace(at, shown_path(new_dir.path()).size(), shown_path(old_dir.path()));
        std::size_t line_start = 0;
        while (line_start < shown.size()) {
            std::size_t end = shown.find('\n', line_start);
            end = end == std::string::npos ? shown.size() : end + 1;
            const std::string line = shown.substr(line_start, end - line_start);
            if (line.rfind("kolvi:  ", 0) != 0 && line != "kolvi: version 2.2.2\n") expected_old += line;
            line_start = end;
        }
        EXPECT_EQ(ro.out, "kolvi: version 0.0.1\n" + expected_old);
    }
}

}  // namespace
}  // namespace kolvi_test
