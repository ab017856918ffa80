// Faults from outside, which hold even for root: writes failing under a
// file-size limit, a full device, too few descriptors, a folder that is a
// file, and the process killed in the middle of a run. A run must stop with
// status 2 where it lives to report, and every source must be either fully
// rewritten or exactly as it was: never partly written, never absent.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/harness.h"

namespace kolvi_test {
namespace {

// A source with `calls` active trace points whose long format strings make
// the trace point file grow faster than the sources.
std::string source_text(int tag, int calls) {
    std::string s = "/* source " + std::to_string(tag) + " */\n#include \"trace.h\"\n";
    for (int i = 0; i < calls; ++i) {
        s += "void f" + std::to_string(tag) + "_" + std::to_string(i) + "(int v) {\n    TRACE2(0, knl, 1, \"" +
             std::string(40 + (i * 7) % 30, static_cast<char>('a' + (tag + i) % 26)) + " %d\", v);\n}\n";
    }
    return s;
}

const char earlier_save[] = "the save copy of an earlier run\n";

bool has_temp_file(const std::string& dir) {
    for (const auto& n : list_dir(dir))
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".tmp") == 0) return true;
    return false;
}

// Sources made by source_text, what a complete run makes of them, and the
// trace point file as it stands after each of them.
class Sources {
public:
    Sources(const Program& p, const std::vector<int>& calls) {
        for (std::size_t i = 0; i < calls.size(); ++i) {
            names_.push_back("s" + std::to_string(i) + ".c");
            texts_.push_back(source_text(static_cast<int>(i), calls[i]));
        }
        TempDir dir;
        write_to(dir.path());
        RunResult r = run(p.path, args(), dir.path());
        EXPECT_EQ(r.status, 0) << r.out;
        for (const auto& n : names_) rewritten_.push_back(read_file(dir / n));
        // Every trace point is active: source i adds calls[i] records to
        // the overflow record.
        const std::string all = read_file(dir / "trace.tp");
        std::size_t lines = 1;
        for (std::size_t k = 0; k <= calls.size(); ++k) {
            std::size_t end = 0;
            for (std::size_t n = 0; n < lines; ++n) end = all.find('\n', end) + 1;
            records_after_.push_back(all.substr(0, end));
            if (k < calls.size()) lines += static_cast<std::size_t>(calls[k]);
        }
    }

    // The sources, each with the save copy an earlier run left.
    void write_to(const std::string& dir) const {
        for (std::size_t i = 0; i < texts_.size(); ++i) {
            write_file(dir + "/" + names_[i], texts_[i]);
            write_file(dir + "/" + names_[i] + ".sav", earlier_save);
        }
    }
    std::vector<std::string> args() const {
        std::vector<std::string> a = {"-f"};
        a.insert(a.end(), names_.begin(), names_.end());
        return a;
    }

    // Every source whole, old or new; the new ones first; the records of
    // every replaced source on disk. Returns how many were replaced.
    std::size_t check_left_behind(const std::string& dir, bool complete_run) const {
        std::size_t replaced = 0;
        for (std::size_t i = 0; i < names_.size(); ++i) {
            SCOPED_TRACE(names_[i]);
            const std::string path = dir + "/" + names_[i];
            if (!exists(path)) {
                ADD_FAILURE() << "the source is gone";
                continue;
            }
            const std::string now = read_file(path);
            const bool is_new = now == rewritten_[i] && now != texts_[i];
            if (!is_new && now != texts_[i]) ADD_FAILURE() << "partly written:\n" << now;
            if (is_new && replaced != i) ADD_FAILURE() << "rewritten after a source that was not";
            if (is_new) ++replaced;
            const std::string save = path + ".sav";
            // A save copy is whole, the earlier one or a new one, or none.
            if (complete_run && exists(save)) {
                const std::string copy = read_file(save);
                if (copy != texts_[i] && copy != earlier_save) ADD_FAILURE() << "save copy:\n" << copy;
            }
        }
        if (exists(dir + "/trace.tp")) {
            const std::string records = read_file(dir + "/trace.tp");
            const std::string& all = records_after_.back();
            EXPECT_EQ(all.compare(0, records.size(), records), 0) << "the trace point file is no prefix";
            if (replaced > 0) {
                EXPECT_GE(records.size(), records_after_[replaced].size()) << "records of a replaced source lost";
            }
        } else {
            EXPECT_EQ(replaced, 0u) << "sources replaced without a trace point file";
        }
        return replaced;
    }

private:
    std::vector<std::string> names_, texts_, rewritten_;
    std::vector<std::string> records_after_;
};

TEST(Faults, WritesFailingUnderAFileSizeLimitAtEveryPointOfARun) {
    for (const Program& p : both_programs()) {
        SCOPED_TRACE(p.name);
        // Sources of 0.5 to 1.5 KB; the trace point file ends near 2.3 KB,
        // so the limit falls on save copies, temporary files and records.
        Sources sources(p, {4, 12, 8});
        std::size_t stopped = 0, completed = 0;
        for (long long limit = 0; limit <= 2600; limit += 37) {
            SCOPED_TRACE("file size limit " + std::to_string(limit));
            TempDir dir;
            sources.write_to(dir.path());
            Limits limits;
            limits.file_size = limit;
            RunResult r = run(p.path, sources.args(), dir.path(), limits);
            ASSERT_EQ(r.signal, 0);
            ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status << r.out;
            EXPECT_EQ(r.err, "");
            const std::size_t replaced = sources.check_left_behind(dir.path(), true);
            if (r.status == 0) {
                ++completed;
                EXPECT_EQ(replaced, 3u);
            } else {
                ++stopped;
                EXPECT_NE(r.out.find("error"), std::string::npos) << r.out;
            }
            if (p.removes_temp) {
                EXPECT_FALSE(has_temp_file(dir.path()));
            }
        }
        EXPECT_GT(stopped, 40u);
        EXPECT_GT(completed, 0u);
    }
}

TEST(Faults, TracePointFileOnAFullDevice) {
    SKIP_ON_WINDOWS("no /dev/full");
    struct Case {
        const Program program;
        std::vector<std::string> sources;
        std::string out;
    };
    TempDir probe;
    const std::string a = probe / "a.c";
    const std::vector<Case> cases = {
        {both_programs()[0], {"a.c"},
         "kolvi: version 2.2.2\nkolvi: error in " + shown_path(a) +
             " - line - 3: cannot write trace point file /dev/full\n"},
        {both_programs()[0], {},
         "kolvi: version 2.2.2\nkolvi: error in  - line - 0: cannot write trace point file /dev/full\n"},
        {both_programs()[1], {"a.c"}, "kolvi: error - line - 3: cannot write trace point file /dev/full\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program.name);
        const std::string text = "int a;\nTRACE1(0, knl, 1, \"x\");\n";
        write_file(a, text);
        std::vector<std::string> args = {"-o", "/dev/full", "-f"};
        args.insert(args.end(), c.sources.begin(), c.sources.end());
        RunResult r = run(c.program.path, args, probe.path());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(read_file(a), text);
        if (c.program.removes_temp) {
            EXPECT_FALSE(has_temp_file(probe.path()));
        }
    }
}

TEST(Faults, OpensFailingUnderAFewDescriptors) {
    SKIP_ON_WINDOWS("Wine's own descriptors count against the limit");
    for (const Program& p : both_programs()) {
        SCOPED_TRACE(p.name);
        Sources sources(p, {2, 3});
        std::size_t stopped = 0;
        // The fewest descriptors with which the program starts at all: the
        // dynamic loader needs some, and the descriptors a test runner hands
        // down count against the limit too.
        long least = 3;
        for (Limits l; least < 64; ++least) {
            l.open_files = least;
            if (run(p.path, {"-h"}, ".", l).status == 1) break;
        }
        for (long open_files = least; open_files <= least + 8; ++open_files) {
            SCOPED_TRACE("open files " + std::to_string(open_files));
            TempDir dir;
            sources.write_to(dir.path());
            Limits limits;
            limits.open_files = open_files;
            RunResult r = run(p.path, sources.args(), dir.path(), limits);
            ASSERT_EQ(r.signal, 0);
            ASSERT_TRUE(r.status == 0 || r.status == 2) << r.status << r.out << r.err;
            sources.check_left_behind(dir.path(), true);
            if (r.status == 2) ++stopped;
            if (p.removes_temp) {
                EXPECT_FALSE(has_temp_file(dir.path()));
            }
        }
        EXPECT_GT(stopped, 2u);
    }
}

TEST(Faults, APathWhoseFolderPartIsAFile) {
    for (const Program& p : both_programs()) {
        SCOPED_TRACE(p.name);
        const std::vector<std::vector<std::string>> calls = {
            {"-f", "plain/x.c", "a.c"},
            {"-o", "plain/trace.tp", "-f", "a.c"},
            {"-m", "plain/old.tp", "-f", "a.c"},
        };
        for (const auto& args : calls) {
            SCOPED_TRACE(args[1]);
            TempDir dir;
            const std::string text = "TRACE1(0, knl, 1, \"x\");\n";
            write_file(dir / "a.c", text);
            write_file(dir / "plain", "a file, not a folder\n");
            RunResult r = run(p.path, args, dir.path());
            EXPECT_EQ(r.signal, 0);
            EXPECT_EQ(r.status, 2) << r.out;
            EXPECT_NE(r.out.find("plain"), std::string::npos) << r.out;
            EXPECT_EQ(read_file(dir / "a.c"), text);
            EXPECT_EQ(read_file(dir / "plain"), "a file, not a folder\n");
        }
    }
}

// Creating the trace point file empties it; named after a source or a
// save copy (by the same name, a link, or another spelling) it would take
// that file with it.
TEST(Faults, ATracePointFileOverASourceOrItsSaveCopyIsRefused) {
    for (const Program& p : both_programs()) {
        SCOPED_TRACE(p.name);
        const std::vector<std::string> outputs = {"a.c", "./sub/../a.c", "link.c", "a.c.sav"};
        for (const auto& out : outputs) {
            SCOPED_TRACE(out);
            TempDir dir;
            ::mkdir((dir / "sub").c_str(), 0700);
            const std::string text = "int a;\nTRACE1(0, knl, 1, \"x\");\n";
            write_file(dir / "a.c", text);
            write_file(dir / "a.c.sav", "an earlier save copy\n");
            ASSERT_EQ(::link((dir / "a.c").c_str(), (dir / "link.c").c_str()), 0);
            RunResult r = run(p.path, {"-o", out, "-f", "b.c", "a.c"}, dir.path());
            const std::string error = "error" + std::string(p.removes_temp ? " in " : "") +
                                      " - line - 0: cannot write trace point file " + out + " over a.c\n";
            EXPECT_NE(r.out.find(error), std::string::npos) << r.out;
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(read_file(dir / "a.c"), text);
            EXPECT_EQ(read_file(dir / "a.c.sav"), "an earlier save copy\n");
        }
    }
}

TEST(Faults, KilledAtRandomMomentsOfARunOverManyFiles) {
    SKIP_ON_WINDOWS("SIGKILL reaches the Wine loader, not a Windows process");
    for (const Program& p : both_programs()) {
        SCOPED_TRACE(p.name);
        const std::vector<int> calls(40, 60);
        Sources sources(p, calls);

        // How long a whole run takes here, to spread the kills over it.
        TempDir timing;
        sources.write_to(timing.path());
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(run(p.path, sources.args(), timing.path()).status, 0);
        const long run_us = static_cast<long>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());

        std::size_t killed_midway = 0;
        unsigned seed = 12345;
        for (int round = 0; round < 20; ++round) {
            seed = seed * 1103515245u + 12345u;
            const long delay = static_cast<long>((seed >> 8) % static_cast<unsigned>(run_us + 1));
            SCOPED_TRACE("killed after " + std::to_string(delay) + " us of " + std::to_string(run_us));
            TempDir dir;
            sources.write_to(dir.path());
            RunResult r = run_killed_after(p.path, sources.args(), dir.path(), delay);
            const std::size_t replaced = sources.check_left_behind(dir.path(), false);
            if (r.signal == SIGKILL && replaced > 0 && replaced < calls.size()) ++killed_midway;
            if (r.signal == 0) {
                EXPECT_EQ(r.status, 0);
            }
        }
        EXPECT_GT(killed_midway, 3u) << "the kills came too early or too late";
    }
}

}  // namespace
}  // namespace kolvi_test
