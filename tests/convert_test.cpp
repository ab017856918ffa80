// Trace point conversion, end to end: the rewritten heads, the enable test,
// numbering, the records, the errors with their lines, and the statistics.
#include <gtest/gtest.h>

#include "tests/harness.h"

namespace kolvi_test {
namespace {

const std::string overflow = "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n";

struct Converted {
    std::string source;  // t.c after the run
    std::string records; // trace.tp without the overflow record
    std::string out;
    int status;
    std::vector<std::string> files;
};

// Runs kolvi with `options` over one source t.c holding `text`.
Converted convert(const std::string& text, std::vector<std::string> options = {}) {
    TempDir dir;
    write_file(dir / "t.c", text);
    options.push_back("-f");
    options.push_back("t.c");
    RunResult r = run(kolvi_program(), options, dir.path());
    std::string tp = read_file(dir / "trace.tp");
    if (tp.compare(0, overflow.size(), overflow) == 0) tp.erase(0, overflow.size());
    return {read_file(dir / "t.c"), tp, r.out, r.status, list_dir(dir.path())};
}

struct HeadCase {
    std::vector<std::string> options;
    std::string source;
    std::string written;
    std::string records;
};

void check_heads(const std::vector<HeadCase>& cases) {
    for (const auto& c : cases) {
        Converted got = convert(c.source, c.options);
        EXPECT_EQ(got.status, 0) << c.source << got.out;
        EXPECT_EQ(got.source, c.written) << c.source;
        EXPECT_EQ(got.records, c.records) << c.source;
        EXPECT_EQ(got.files, (std::vector<std::string>{"t.c", "t.c.sav", "trace.tp"}));
    }
}

TEST(TraceMacros, HeadsActiveInactiveAndPreserved) {
    const std::vector<std::string> off = {"-lvl", "900..999"};
    const std::vector<std::string> off_pn = {"-lvl", "900..999", "-pn"};
    check_heads({
        {{}, "TRACE2 ( 41 ,UART, 03, \"f %d\", x);", "TRACE2(1, UART, 3, \"f %d\", x);", "1 2 UART \"f %d\"\n"},
        {off, "TRACE2 ( 41 ,UART, 03, \"f %d\", x);", "trace2(0, UART, 3, \"f %d\", x);", ""},
        {off_pn, "TRACE2 ( 41 ,UART, 03, \"f %d\", x);", "trace2(41,UART,03,\"f %d\", x);", ""},
        {{}, "trace13(0, ATA, 5, \"g\");", "TRACE13(1, ATA, 5, \"g\");", "1 13 ATA \"g\"\n"},
        {off, "trace13(0, ATA, 5, \"g\");", "trace13(0, ATA, 5, \"g\");", ""},
        {off_pn, "trace13(0, ATA, 5, \"g\");", "trace13(0,ATA,5,\"g\");", ""},
        {{}, "trace12(0, a, 1, \"h\");", "TRACE12(1, a, 1, \"h\");", "1 12 a \"h\"\n"},
        {off, "TRACE12(7, a, 1, \"h\");", "trace12(0, a, 1, \"h\");", ""},
        // Every name of both cases, numbered in text order.
        {{},
         "TRACE0(0,a,1,\"0\") trace1(0,a,1,\"1\") TRACE3(0,a,1,\"3\") trace5(0,a,1,\"5\")\n"
         "TRACE11(0,a,1,\"11\") trace14(0,a,1,\"14\") TRACE15(0,a,1,\"15\")\n",
         "TRACE0(1, a, 1, \"0\") TRACE1(2, a, 1, \"1\") TRACE3(3, a, 1, \"3\") TRACE5(4, a, 1, \"5\")\n"
         "TRACE11(5, a, 1, \"11\") TRACE14(6, a, 1, \"14\") TRACE15(7, a, 1, \"15\")\n",
         "1 0 a \"0\"\n2 1 a \"1\"\n3 3 a \"3\"\n4 5 a \"5\"\n5 11 a \"11\"\n6 14 a \"14\"\n7 15 a \"15\"\n"},
        // A head over several lines comes out on one; the layout after the
        // format string stays, and so does the whitespace before the name.
        {{}, "\t  TRACE4(0,\n  k,\r\n  2,\n   \"multi line\",\n  a);\n", "\t  TRACE4(1, k, 2, \"multi line\",\n  a);\n",
         "1 4 k \"multi line\"\n"},
        // A level that is no number counts as 0; the token after an active
        // head is recorded whatever it is.
        {{}, "TRACE1(0, k, lvl, fmt);", "TRACE1(1, k, 0, fmt);", "1 1 k fmt\n"},
        // A macro definition with four parameters or more reads like a call.
        {{}, "#define TRACE1(n, cat, lvl, fmt, ...) emit(n, fmt)\n",
         "#define TRACE1(1, cat, 0, fmt, ...) emit(n, fmt)\n", "1 1 cat fmt\n"},
        // Percent signs and backslashes are recorded byte for byte; a
        // backslash does not protect a quote.
        {{}, "TRACE1(0, k, 1, \"50%\\t\\\\\");", "TRACE1(1, k, 1, \"50%\\t\\\\\");", "1 1 k \"50%\\t\\\\\"\n"},
        {{}, "TRACE1(0, k, 1, \"a\\\"b\");", "TRACE1(1, k, 1, \"a\\\"b\");", "1 1 k \"a\\\"\n"},
    });
}

TEST(TraceMacros, OtherNamesAreOrdinaryTokens) {
    const std::string text =
        "TRACE6 TRACE10 TRACE16 trace6 Trace1 tRACE1 TRACE1x xTRACE1 TRACE_POINT0 TRACE_POINT6 trace_point1\n"
        "TRACE_RESETX TRACE; a.TRACE1 // TRACE1 in a comment\n";
    Converted got = convert(text);
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.source, text);
    EXPECT_EQ(got.records, "");
}

TEST(TraceMacros, CodeAndCommentsOutsideHeadsPassUnchanged) {
    // With raw quotes set after an ordinary token, a string literal in code
    // is split into words, and a trace macro name after a blank in it is
    // converted; a literal longer than a token buffer passes untouched.
    const std::string longword(400, 'w');
    Converted got = convert("s = \"" + longword + "\";\r\nt = \"x TRACE1(0, k, 1, \"inside\") y\";\n"
                            "/* TRACE2(0, k, 1, \"block\"); */ // TRACE3(0, k, 1, \"line\");\n");
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.source, "s = \"" + longword + "\";\r\nt = \"x TRACE1(1, k, 1, \"inside\") y\";\n"
                          "/* TRACE2(2, k, 1, \"block\"); */ // TRACE3(0, k, 1, \"line\");\n");
    EXPECT_EQ(got.records, "1 1 k \"inside\"\n2 2 k \"block\"\n");
}

TEST(TraceMacros, CommentInsideAHeadKeepsItsLineEnd) {
    Converted got = convert("TRACE1(0, // number\r\n k, 1, \"f\"); x;\n");
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.source, "// number\r\nTRACE1(1, k, 1, \"f\"); x;\n");
    // The source ends inside the comment of an inactive head: the line end
    // is supplied.
    got = convert("trace1(0, k, 5, // end", {"-lvl", "0..1"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.source, "// end\ntrace1(0, k, 5, ");
}

TEST(EnableTest, LevelBoundsAreInclusive) {
    Converted got = convert("TRACE1(0,k,1,\"1\") TRACE1(0,k,2,\"2\") TRACE1(0,k,4,\"4\") TRACE1(0,k,5,\"5\")",
                            {"-lvl", "2..4"});
    EXPECT_EQ(got.source, "trace1(0, k, 1, \"1\") TRACE1(1, k, 2, \"2\") TRACE1(2, k, 4, \"4\") trace1(0, k, 5, \"5\")");
    got = convert("TRACE1(0,k,3,\"3\")", {"-lvl", "5..2"});
    EXPECT_EQ(got.source, "trace1(0, k, 3, \"3\")");
    // Without -lvl the range is 0..999.
    got = convert("TRACE1(0,k,999,\"a\") TRACE1(0,k,1000,\"b\") TRACE1(0,k,0,\"c\")");
    EXPECT_EQ(got.source, "TRACE1(1, k, 999, \"a\") trace1(0, k, 1000, \"b\") TRACE1(2, k, 0, \"c\")");
}

TEST(EnableTest, CategoryListRules) {
    const std::string text = "TRACE1(0,knl,1,\"\") TRACE1(0,ata,1,\"\") TRACE1(0,ATA,1,\"\") TRACE1(0,uart,1,\"\")";
    struct Case {
        std::string list;
        std::string enabled;  // one letter per trace point: + active
    } cases[] = {
        {"knl,ata", "++--"}, {"knl,,ata", "++--"}, {",ata,", "-+--"}, {",,,", "----"},
        {"ata", "-+--"},     {" ata", "----"},     {"ATA,uart", "--++"}, {"kn", "----"},
        // A list of any length is tested whole.
        {std::string(300, 'x') + ",uart", "---+"},
    };
    const char* names[] = {"knl", "ata", "ATA", "uart"};
    for (const auto& c : cases) {
        Converted got = convert(text, {"-cat", c.list});
        std::string expected;
        int number = 1;
        for (int i = 0; i < 4; ++i) {
            if (i > 0) expected += ' ';
            if (c.enabled[static_cast<std::size_t>(i)] == '+')
                expected += "TRACE1(" + std::to_string(number++) + ", " + names[i] + ", 1, \"\")";
            else
                expected += std::string("trace1(0, ") + names[i] + ", 1, \"\")";
        }
        EXPECT_EQ(got.source, expected) << "-cat '" << c.list << "'";
    }
}

TEST(LegacyTracePoints, HeadsAndReset) {
    const std::vector<std::string> no_nil = {"-cat", "knl"};
    check_heads({
        {{}, "TRACE_POINT3 ( id, mod ,sev, \"x y,z\");", "TRACE3(1, nil, 0, \"x y,z\");", "1 3 nil \"x y,z\"\n"},
        {no_nil, "TRACE_POINT3 ( id, mod ,sev, \"x\");", "trace3(0, nil, 0, \"x\");", ""},
        {{"-lvl", "1..9"}, "TRACE_POINT(a,b,c, \"x\");", "trace0(0, nil, 0, \"x\");", ""},
        {{"-lc", "boot", "-leg", "2", "-lvl", "2..2", "-cat", "boot"}, "TRACE_POINT(a,\"b c\",9,\"x\");",
         "TRACE0(1, boot, 2, \"x\");", "1 0 boot \"x\"\n"},
        // -pn does not keep the old arguments of a legacy trace point.
        {{"-cat", "knl", "-pn"}, "TRACE_POINT5(1,2,3, \"x\");", "trace5(0, nil, 0, \"x\");", ""},
        {{}, "TRACE_POINT1(1,2,3,\"a\") TRACE_POINT2(1,2,3,\"b\") TRACE_POINT4(1,2,3,\"c\")",
         "TRACE1(1, nil, 0, \"a\") TRACE2(2, nil, 0, \"b\") TRACE4(3, nil, 0, \"c\")",
         "1 1 nil \"a\"\n2 2 nil \"b\"\n3 4 nil \"c\"\n"},
        {{}, "TRACE_RESET();\nTRACE_RESET;\n  TRACE_RESET ( ) ; // TRACE_RESET\n",
         "TRACE();\nTRACE;\n  TRACE ( ) ; // TRACE_RESET\n", ""},
    });
}

TEST(Errors, StopTheRunWithTheLineReachedAndLeaveTheSource) {
    struct Case {
        std::string source;
        std::string line;
    } cases[] = {
        {"a;\nTRACE1 x;\n", "2: missing open paren"},
        // The scanner has read past the token that ends its line.
        {"a;\nTRACE1 x\n", "3: missing open paren"},
        {"TRACE1;", "1: missing open paren"},
        {"TRACE1(0 k, 1, \"f\");", "1: missing comma"},
        {"TRACE1(-1, k, 1, \"f\");", "1: missing comma"},
        {"TRACE1(0, k, -1, \"f\");", "1: missing comma"},
        {"TRACE1(0, k k, 1, \"f\");", "1: missing comma"},
        {"TRACE1(0, k, 1 \"f\");", "1: missing comma"},
        {"TRACE1(0, k, 1,\n", "2: unexpected end of file"},
        {"TRACE1(0, k", "1: unexpected end of file"},
        {"TRACE1", "1: unexpected end of file"},
        {"TRACE_POINT(a, b, \"f\");", "1: missing comma"},
        {"TRACE_POINT(a, b, c", "1: unexpected end of file"},
        {"TRACE_POINT[a, b, c, \"f\"];", "1: missing open paren"},
        {"TRACE_POINT(a, -1, c, \"f\");", "1: missing comma"},
    };
    for (const auto& c : cases) {
        // An earlier trace point keeps its record; the source stays as it was.
        std::string text = "TRACE1(0, k, 1, \"before\");\n" + c.source;
        TempDir dir;
        write_file(dir / "t.c", text);
        RunResult r = run(kolvi_program(), {"-f", "t.c"}, dir.path());
        int line = std::stoi(c.line) + 1;
        std::string expected = "kolvi: version 2.2.2\nkolvi: error in " + shown_path(dir / "t.c") + " - line - " +
                   std::to_string(line) + c.line.substr(c.line.find(':')) + "\n";
        EXPECT_EQ(r.out, expected) << c.source;
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "t.c"), text);
        EXPECT_EQ(read_file(dir / "t.c.sav"), text);
        EXPECT_EQ(read_file(dir / "trace.tp"), overflow + "1 1 k \"before\"\n");
        EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"t.c", "t.c.sav", "trace.tp"}));
    }
}

TEST(Errors, InactiveHeadAtTheEndOfTheSourceEndsNormally) {
    Converted got = convert("x TRACE1(0, k, 5,", {"-lvl", "0..1"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.source, "x trace1(0, k, 5, ");
    got = convert("x TRACE_POINT(0, k, 5,", {"-cat", "knl"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.source, "x trace0(0, nil, 0, ");
}

TEST(Errors, ByteZeroInASourceIsRefused) {
    TempDir dir;
    const std::string text("TRACE1(0, k, 1, \"f\");\nab\0cd\n", 28);
    write_file(dir / "t.c", text);
    RunResult r = run(kolvi_program(), {"-f", "t.c"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in " + shown_path(dir / "t.c") +
                         " - line - 2: null byte in source file \"" + shown_path(dir / "t.c") + "\"\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "t.c"), text);
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"t.c", "t.c.sav", "trace.tp"}));
}

TEST(Numbering, RunsOnAcrossFilesAndCountsInTheStatistics) {
    TempDir dir;
    write_file(dir / "a.c", "TRACE1(0, knl, 1, \"a1\"); TRACE2(0, knl, 7, \"a2\");\n");
    write_file(dir / "b.c", "trace3(0, ata, 2, \"b1\"); TRACE_POINT(1, 2, 3, \"b2\"); TRACE4(0, knl, 1, \"b3\");\n");
    RunResult r = run(kolvi_program(), {"-v", "-lvl", "0..5", "-f", "a.c", "b.c"}, dir.path());
    EXPECT_EQ(r.status, 0);
    std::string tail = "kolvi: 1 legacy trace points converted\n"
                       "       5 trace points active\n"
                       "       1 trace points inactive\n"
                       "       6 total trace points processed\n\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(read_file(dir / "a.c"), "TRACE1(1, knl, 1, \"a1\"); trace2(0, knl, 7, \"a2\");\n");
    EXPECT_EQ(read_file(dir / "b.c"),
              "TRACE3(2, ata, 2, \"b1\"); TRACE0(3, nil, 0, \"b2\"); TRACE4(4, knl, 1, \"b3\");\n");
    EXPECT_EQ(read_file(dir / "trace.tp"),
              overflow + "1 1 knl \"a1\"\n2 3 ata \"b1\"\n3 0 nil \"b2\"\n4 4 knl \"b3\"\n");

    // Three active and two inactive, none legacy: 0, 4, 2, 6.
    Converted got = convert("TRACE1(0,a,1,\"\") TRACE1(0,b,1,\"\") TRACE1(0,a,1,\"\") TRACE1(0,b,1,\"\") TRACE1(0,a,1,\"\")",
                  {"-v", "-cat", "a"});
    EXPECT_NE(got.out.find("kolvi: 0 legacy trace points converted\n       4 trace points active\n"
                           "       2 trace points inactive\n       6 total trace points processed\n\n"),
              std::string::npos);
}

}  // namespace
}  // namespace kolvi_test
