// A source whose rewritten text is its own text stays the very same file:
// same inode, same modification time, so a build after the run recompiles
// nothing. Where the text changes, the source is replaced as always.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/harness.h"

namespace kolvi_test {
namespace {

using Names = std::vector<std::string>;

// A source that is larger than the tool's read buffer, with trace points
// from its first to its last line.
std::string large_source() {
    std::string s = "/* large.c */\r\n#include \"trace.h\"\n";
    for (int i = 0; i < 3000; ++i) {
        s += "static int f" + std::to_string(i) + "(int a) { return a * " + std::to_string(i) + "; } // f\n";
        if (i % 40 == 0) s += "    TRACE2(0, knl, " + std::to_string(i % 7) + ", \"f %d\\t%s\", a, \"x\");\n";
    }
    return s;
}

const std::string small_source =
    "// small.c\r\n"
    "int a; /* TRACE-free block comment */\r\n"
    "  trace1(7, knl, 1,\n      \"a %d\", a);\r\n"
    "  TRACE_POINT2(ID, MOD, SEV, \"legacy %d %d\", 1, 2);\n"
    "  TRACE12(0, dbg, 4, \"inactive\", a, b);\n"
    "char *s = \"a \\\\ b\";";

// What a fresh run over `text` writes in its place.
std::string converted(const std::string& text, const std::vector<std::string>& options) {
    TempDir dir;
    write_file(dir / "x.c", text);
    std::vector<std::string> args = options;
    args.insert(args.end(), {"-f", "x.c"});
    RunResult r = run(kolvi_program(), args, dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    return read_file(dir / "x.c");
}

TEST(UnchangedSources, ASecondRunLeavesItsOwnOutputAlone) {
    struct Case {
        const char* name;
        std::string source;
    };
    const std::vector<Case> cases = {
        {"trace points of every form, CR LF line ends", small_source},
        {"larger than the read buffer", large_source()},
        {"no trace points", "int main(void) { return 0; }\n"},
        {"empty", ""},
    };
    const std::vector<std::string> args = {"-lvl", "0..3", "-cat", "knl,nil", "-f", "a.c"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        write_file(dir / "a.c", c.source);
        RunResult first = run(kolvi_program(), args, dir.path());
        ASSERT_EQ(first.status, 0) << first.out;
        const std::string text = read_file(dir / "a.c");
        const std::string records = read_file(dir / "trace.tp");
        const FileStamp was = stamp(dir / "a.c");

        RunResult second = run(kolvi_program(), args, dir.path());
        EXPECT_EQ(second.out, first.out);
        EXPECT_EQ(second.status, 0);
        EXPECT_EQ(read_file(dir / "a.c"), text);
        const FileStamp now = stamp(dir / "a.c");
        EXPECT_EQ(now.inode, was.inode);
        EXPECT_EQ(now.mtime_ns, was.mtime_ns);
        EXPECT_EQ(now.mode, was.mode);
        // Everything else of the pass happened as always.
        EXPECT_EQ(read_file(dir / "a.c.sav"), text);
        EXPECT_EQ(read_file(dir / "trace.tp"), records);
        EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "trace.tp"}));
    }
}

TEST(UnchangedSources, WhereTheTextChangesTheSourceIsReplaced) {
    // Each case: the source after a first run is edited (or the second run
    // enables other trace points); the second run must leave exactly what a
    // fresh run over the edited text leaves, and replace the file only when
    // that differs from the edited text.
    const std::string large = converted(large_source(), {});
    const std::string small = converted(small_source, {});
    const std::string added = "    TRACE3(0, knl, 1, \"new\", a, b, c);\n";
    struct Case {
        const char* name;
        std::string edited;
        std::vector<std::string> options;
        bool replaced;
    };
    const std::vector<Case> cases = {
        {"other levels enabled", small, {"-lvl", "2..9"}, true},
        {"a trace point added in the first line", added + large, {}, true},
        {"a trace point added after the first read buffer", large + added, {}, true},
        {"a line of code added after the first read buffer", large + "int late;\n", {}, false},
        {"a comment edited", small + "\n// note\n", {}, false},
        {"the last byte removed", small.substr(0, small.size() - 1), {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        write_file(dir / "a.c", c.edited);
        write_file(dir / "b.c", "int b;\n");  // never changes
        const FileStamp was = stamp(dir / "a.c");
        const FileStamp b_was = stamp(dir / "b.c");
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-f", "a.c", "b.c"});
        RunResult r = run(kolvi_program(), args, dir.path());
        ASSERT_EQ(r.status, 0) << r.out;

        TempDir fresh;
        write_file(fresh / "a.c", c.edited);
        write_file(fresh / "b.c", "int b;\n");
        ASSERT_EQ(run(kolvi_program(), args, fresh.path()).status, 0);
        EXPECT_TRUE(read_file(dir / "a.c") == read_file(fresh / "a.c"));
        EXPECT_EQ(read_file(dir / "trace.tp"), read_file(fresh / "trace.tp"));
        EXPECT_TRUE(read_file(dir / "a.c.sav") == c.edited);

        const FileStamp now = stamp(dir / "a.c");
        if (c.replaced) {
            EXPECT_FALSE(read_file(dir / "a.c") == c.edited);
            EXPECT_NE(now.inode, was.inode);
        } else {
            EXPECT_TRUE(read_file(dir / "a.c") == c.edited);
            EXPECT_EQ(now.inode, was.inode);
            EXPECT_EQ(now.mtime_ns, was.mtime_ns);
        }
        EXPECT_EQ(stamp(dir / "b.c").inode, b_was.inode);
        EXPECT_EQ(stamp(dir / "b.c").mtime_ns, b_was.mtime_ns);
        EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "b.c", "b.c.sav", "trace.tp"}));
    }
}

TEST(UnchangedSources, ReadOnlySourcesAreHandledAsBefore) {
    const std::string text = converted(small_source, {});
    // Without -ro: the pass goes through and the source stays read-only.
    {
        TempDir dir;
        write_file(dir / "a.c", text);
        set_mode(dir / "a.c", 0444);
        const FileStamp was = stamp(dir / "a.c");
        RunResult r = run(kolvi_program(), {"-v", "-f", "a.c"}, dir.path());
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("kolvi: overriding read only file attribute\n"), std::string::npos) << r.out;
        const FileStamp now = stamp(dir / "a.c");
        EXPECT_EQ(now.inode, was.inode);
        EXPECT_EQ(now.mtime_ns, was.mtime_ns);
        EXPECT_EQ(now.mode, 0444u);
        EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "trace.tp"}));
    }
    // With -ro: the run stops as it always did, although nothing would change.
    {
        TempDir dir;
        write_file(dir / "a.c", text);
        set_mode(dir / "a.c", 0444);
        write_file(dir / "b.c", small_source);
        const FileStamp was = stamp(dir / "a.c");
        RunResult r = run(kolvi_program(), {"-ro", "-f", "a.c", "b.c"}, dir.path());
        EXPECT_EQ(r.out, "kolvi: version 2.2.2\nkolvi: error in " + shown_path(dir / "a.c") + " - line - " +
                             std::to_string(1 + std::count(text.begin(), text.end(), '\n')) + ": " +
                             "cannot delete original file " + shown_path(dir / "a.c") + "\n");
        EXPECT_EQ(r.status, 2);
        const FileStamp now = stamp(dir / "a.c");
        EXPECT_EQ(now.inode, was.inode);
        EXPECT_EQ(now.mode, 0444u);
        EXPECT_EQ(read_file(dir / "b.c"), small_source);
        EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "b.c", "trace.tp"}));
    }
}

}  // namespace
}  // namespace kolvi_test
