// The file work of a source pass: the save copy, the temporary file, the
// move into the source's place, read-only sources, and what every failure
// leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/harness.h"

namespace kolvi_test {
namespace {

const std::string overflow = "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n";
const std::string before = "int a;\r\n  TRACE2(0, knl, 1, \"a %d\", a);\n";
const std::string after = "int a;\r\n  TRACE2(1, knl, 1, \"a %d\", a);\n";

std::string error(const TempDir& dir, const std::string& source, int line, const std::string& message) {
    return "kolvi: version 2.2.2\nkolvi: error in " + shown_path(dir / source) + " - line - " +
           std::to_string(line) + ": " + message + "\n";
}

using Names = std::vector<std::string>;

TEST(Replace, SourceRewrittenSaveCopyBesideItNoTemporaryFileLeft) {
    TempDir dir;
    write_file(dir / "app.c", before);
    set_mode(dir / "app.c", 0751);
    write_file(dir / "app.h", "TRACE1(0, knl, 1, \"h\");\n");
    write_file(dir / "makefile", "TRACE1(0, knl, 1, \"m\");\n");
    write_file(dir / "empty.c", "");
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((dir / "app.c").c_str(), 1234, 4321), 0);
    }
    const FileStamp was = stamp(dir / "app.c");
    RunResult r = run(kolvi_program(), {"-f", "app.c", "app.h", "makefile", "empty.c"}, dir.path());
    EXPECT_EQ(r.out, "kolvi: version 2.2.2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "app.c"), after);
    EXPECT_EQ(read_file(dir / "app.c.sav"), before);
    // A new file took the source's place, with its permissions (and its
    // owner and group, where the run may set them).
    EXPECT_NE(stamp(dir / "app.c").inode, was.inode);
    if (!testing_windows()) {  // Windows has no permission bits
        EXPECT_EQ(stamp(dir / "app.c").mode, 0751u);
    }
    struct stat st {};
    ASSERT_EQ(::stat((dir / "app.c").c_str(), &st), 0);
    if (root && !testing_windows()) {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 4321u);
    }
    EXPECT_EQ(read_file(dir / "app.h"), "TRACE1(2, knl, 1, \"h\");\n");
    EXPECT_EQ(read_file(dir / "makefile"), "TRACE1(3, knl, 1, \"m\");\n");
    EXPECT_EQ(read_file(dir / "makefile.sav"), "TRACE1(0, knl, 1, \"m\");\n");
    EXPECT_EQ(read_file(dir / "empty.c"), "");
    EXPECT_EQ(read_file(dir / "empty.c.sav"), "");
    EXPECT_EQ(read_file(dir / "trace.tp"), overflow + "1 2 knl \"a %d\"\n2 1 knl \"h\"\n3 1 knl \"m\"\n");
    EXPECT_EQ(list_dir(dir.path()), (Names{"app.c", "app.c.sav", "app.h", "app.h.sav", "empty.c", "empty.c.sav",
                                           "makefile", "makefile.sav", "trace.tp"}));
}

TEST(Replace, SaveCopyHoldsTheTextOfTheLatestPass) {
    // An existing save file is refilled, a read-only one made anew and
    // writable; a source named twice is converted twice in one run.
    TempDir dir;
    write_file(dir / "a.c", before);
    write_file(dir / "a.c.sav", "an old save copy, longer than the source will ever be ......................\n");
    set_mode(dir / "a.c.sav", 0444);
    RunResult r = run(kolvi_program(), {"-f", "a.c", "a.c"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "a.c"), "int a;\r\n  TRACE2(2, knl, 1, \"a %d\", a);\n");
    EXPECT_EQ(read_file(dir / "a.c.sav"), after);
    EXPECT_NE(stamp(dir / "a.c.sav").mode & 0200, 0u);
    EXPECT_EQ(read_file(dir / "trace.tp"), overflow + "1 2 knl \"a %d\"\n2 2 knl \"a %d\"\n");

    r = run(kolvi_program(), {"-lvl", "5..9", "-f", "a.c"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "a.c"), "int a;\r\n  trace2(0, knl, 1, \"a %d\", a);\n");
    EXPECT_EQ(read_file(dir / "a.c.sav"), "int a;\r\n  TRACE2(2, knl, 1, \"a %d\", a);\n");
}

TEST(ReadOnly, SourceIsRewrittenAndReadOnlyAgain) {
    TempDir dir;
    write_file(dir / "a.c", before);
    set_mode(dir / "a.c", 0444);
    RunResult r = run(kolvi_program(), {"-v", "-f", "a.c"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("kolvi: backing up to " + shown_path(dir / "a.c") +
                         ".sav \nkolvi: overriding read only file attribute\nkolvi: 0 legacy"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(read_file(dir / "a.c"), after);
    EXPECT_EQ(stamp(dir / "a.c").mode, 0444u);
    EXPECT_EQ(read_file(dir / "a.c.sav"), before);
    EXPECT_NE(stamp(dir / "a.c.sav").mode & 0200, 0u);
}

TEST(ReadOnly, WithRoTheRunStopsBeforeAnythingIsReplaced) {
    TempDir dir;
    write_file(dir / "a.c", before);
    set_mode(dir / "a.c", 0444);
    write_file(dir / "b.c", before);
    FileStamp was = stamp(dir / "a.c");
    RunResult r = run(kolvi_program(), {"-ro", "-f", "a.c", "b.c"}, dir.path());
    EXPECT_EQ(r.out, error(dir, "a.c", 3, "cannot delete original file " + shown_path(dir / "a.c")));
    EXPECT_EQ(r.status, 2);
    FileStamp now = stamp(dir / "a.c");
    EXPECT_EQ(now.inode, was.inode);
    EXPECT_EQ(now.mode, 0444u);
    EXPECT_EQ(read_file(dir / "a.c"), before);
    EXPECT_EQ(read_file(dir / "a.c.sav"), before);
    // The source was converted in full: its records are in the file.
    EXPECT_EQ(read_file(dir / "trace.tp"), overflow + "1 2 knl \"a %d\"\n");
    EXPECT_EQ(read_file(dir / "b.c"), before);
    EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "b.c", "trace.tp"}));
}

TEST(TemporaryFile, AFileOfItsNameIsNeverTouched) {
    struct Case {
        std::string source;       // the failing source
        std::string temp;         // its temporary file, which exists
        std::vector<std::string> args;
    } cases[] = {
        {"app.c", "app.tmp", {"app.c"}},
        {"app.c", "app.tmp", {"app.c", "app.tmp"}},  // a later source of that name
        {"x.tmp", "x.tmp", {"x.tmp"}},               // the source's own name
    };
    for (const auto& c : cases) {
        TempDir dir;
        write_file(dir / c.source, before);
        if (c.temp != c.source) {
            write_file(dir / c.temp, "the user's own file\n");
            set_mode(dir / c.temp, 0444);
        }
        FileStamp was = stamp(dir / c.temp);
        std::string temp_text = read_file(dir / c.temp);
        std::vector<std::string> args = {"-f"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunResult r = run(kolvi_program(), args, dir.path());
        EXPECT_EQ(r.out, error(dir, c.source, 1, "cannot open temporary file " + shown_path(dir / c.temp)));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / c.temp), temp_text);
        EXPECT_EQ(stamp(dir / c.temp).inode, was.inode);
        EXPECT_EQ(stamp(dir / c.temp).mode, was.mode);
        EXPECT_EQ(read_file(dir / c.source), before);
        EXPECT_EQ(read_file(dir / (c.source + ".sav")), before);
    }
}

TEST(Failures, ADirectoryNamedAsASourceIsRefused) {
    TempDir dir;
    ::mkdir((dir / "sub").c_str(), 0755);
    ::mkdir((dir / "d.c").c_str(), 0755);
    RunResult r = run(kolvi_program(), {"-f", "sub/", "d.c"}, dir.path());
    EXPECT_EQ(r.out, error(dir, "sub/", 1, "sub/ is not a regular file"));
    EXPECT_EQ(r.status, 2);
    r = run(kolvi_program(), {"-f", "d.c"}, dir.path());
    EXPECT_EQ(r.out, error(dir, "d.c", 1, "d.c is not a regular file"));
    ASSERT_EQ(::mkfifo((dir / "p.c").c_str(), 0644), 0);
    r = run(kolvi_program(), {"-f", "p.c"}, dir.path());
    EXPECT_EQ(r.out, error(dir, "p.c", 1, "p.c is not a regular file"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(list_dir(dir.path()), (Names{"d.c", "p.c", "sub", "trace.tp"}));
    EXPECT_TRUE(list_dir(dir / "sub").empty());
}

TEST(Failures, AFolderAtTheSavePathStopsTheRunBeforeTheSourceIsTouched) {
    TempDir dir;
    write_file(dir / "a.c", before);
    ::mkdir((dir / "a.c.sav").c_str(), 0755);
    RunResult r = run(kolvi_program(), {"-f", "a.c"}, dir.path());
    EXPECT_EQ(r.out, error(dir, "a.c", 1, "could not make a backup copy of " + shown_path(dir / "a.c")));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "a.c"), before);
    EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "trace.tp"}));
}

TEST(Failures, ASavePathLinkedToTheSourceIsRefused) {
    // Truncating such a save file would empty the source itself.
    for (bool symbolic : {false, true}) {
        TempDir dir;
        write_file(dir / "a.c", before);
        if (symbolic) ASSERT_EQ(::symlink("a.c", (dir / "a.c.sav").c_str()), 0);
        else ASSERT_EQ(::link((dir / "a.c").c_str(), (dir / "a.c.sav").c_str()), 0);
        RunResult r = run(kolvi_program(), {"-f", "a.c"}, dir.path());
        EXPECT_EQ(r.out, error(dir, "a.c", 1, "could not make a backup copy of " + shown_path(dir / "a.c")));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "a.c"), before);
        EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "trace.tp"}));
    }
}

// A source of `count` compact trace points: its rewritten text is three
// bytes longer per trace point.
std::string compact(int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += "TRACE1(0,k,1,\"x\");\n";
    return s;
}

TEST(Failures, WritesThatFailStopTheRunBeforeTheSourceIsReplaced) {
    Limits limits;
    limits.file_size = 4096;

    // The save copy cannot be completed: it is removed.
    {
        TempDir dir;
        std::string big = before + std::string(5000, ' ');
        write_file(dir / "a.c", big);
        RunResult r = run(kolvi_program(), {"-f", "a.c"}, dir.path(), limits);
        EXPECT_EQ(r.out, error(dir, "a.c", 1, "could not make a backup copy of " + shown_path(dir / "a.c")));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "a.c"), big);
        EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "trace.tp"}));
    }
    // The rewritten text does not fit, though the source and its save copy
    // do: the earlier source stays rewritten, this one as it was.
    {
        TempDir dir;
        std::string text = compact(200);  // 3800 bytes, 4400 rewritten
        write_file(dir / "a.c", before);
        write_file(dir / "b.c", text);
        write_file(dir / "c.c", before);
        RunResult r = run(kolvi_program(), {"-f", "a.c", "b.c", "c.c"}, dir.path(), limits);
        EXPECT_EQ(r.out, error(dir, "b.c", 201, "cannot write temporary file " + shown_path(dir / "b.tmp")));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(dir / "a.c"), after);
        EXPECT_EQ(read_file(dir / "b.c"), text);
        EXPECT_EQ(read_file(dir / "b.c.sav"), text);
        EXPECT_EQ(read_file(dir / "c.c"), before);
        EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "b.c", "b.c.sav", "c.c", "trace.tp"}));
    }
}

TEST(Failures, RecordsReachTheTracePointFileBeforeTheirSourceIsReplaced) {
    // With an empty merge file nothing is written until the first active
    // trace point: a source with only inactive ones is replaced, the next
    // one, with an active one, is not.
    TempDir dir;
    write_file(dir / "empty.tp", "");
    const std::string inactive = "TRACE1(5, knl, 7, \"off\");\n";
    write_file(dir / "a.c", inactive);
    write_file(dir / "b.c", before);
    RunResult r = run(kolvi_program(), {"-lvl", "0..1", "-m", "empty.tp", "-o", "/dev/full", "-f", "a.c", "b.c"},
                      dir.path());
    EXPECT_EQ(r.out, error(dir, "b.c", 3, "cannot write trace point file " + shown_path("/dev/full")));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "a.c"), "trace1(0, knl, 7, \"off\");\n");
    EXPECT_EQ(read_file(dir / "b.c"), before);
    EXPECT_EQ(list_dir(dir.path()), (Names{"a.c", "a.c.sav", "b.c", "b.c.sav", "empty.tp"}));

    // Without a merge file the overflow record is due at once.
    write_file(dir / "a.c", inactive);
    r = run(kolvi_program(), {"-lvl", "0..1", "-o", "/dev/full", "-f", "a.c"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(dir / "a.c"), inactive);
}

}  // namespace
}  // namespace kolvi_test
