// Running the built programs in fresh temporary folders, and looking at the
// files they leave behind.
#pragma once

#include <string>
#include <vector>

namespace kolvi_test {

// Paths of the programs under test (overridable through the environment
// variables KOLVI_PROGRAM and KOLVI001_PROGRAM).
std::string kolvi_program();
std::string kolvi001_program();

// Both programs, for the tests that hold for each.
struct Program {
    const char* name;
    std::string path;
    bool removes_temp;  // kolvi removes the temporary file of a failed pass
};
std::vector<Program> both_programs();

struct Limits {
    long long file_size = -1;  // RLIMIT_FSIZE in bytes, with SIGXFSZ ignored; -1: none
    long open_files = -1;      // RLIMIT_NOFILE; -1: none
};

struct RunResult {
    std::string out;    // standard output
    std::string err;    // standard error (the programs write nothing there)
    int status = -1;    // exit status, or -1 when killed by a signal
    int signal = 0;     // the signal that ended the process, or 0
};

// Runs `program` with `args` in the folder `cwd`.
RunResult run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
              const Limits& limits = {});

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// How the program under test shows a path of the test's: the path itself
// here; with KOLVI_TEST_WINDOWS set, the drive form the emulated system
// shows (Z:\tmp\...), where "." and ".." are resolved in the text, as
// Windows resolves them (Z:\tmp\x\sub\..\a.c shows as Z:\tmp\x\a.c).
std::string shown_path(const std::string& path);
bool testing_windows();

// Skips a case that cannot happen against the Windows programs, giving the
// reason (names Windows forbids, Unix permission bits, ".." through a
// missing folder, ...). Use it as the first statement of the test.
#define SKIP_ON_WINDOWS(reason)                     \
    switch (0)                                      \
    case 0:                                         \
    default:                                        \
        if (!::kolvi_test::testing_windows()) {     \
        } else                                      \
            GTEST_SKIP() << "not on Windows: " << (reason)

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool exists(const std::string& path);
// Names in a folder, sorted.
std::vector<std::string> list_dir(const std::string& path);

struct FileStamp {
    unsigned long long inode = 0;
    long long mtime_ns = 0;
    unsigned mode = 0;  // permission bits
};
FileStamp stamp(const std::string& path);
void set_mode(const std::string& path, unsigned mode);

// Starts `program` like run() (output discarded, no limits) and kills it
// with SIGKILL once `delay_us` microseconds have passed, unless it has ended
// by then. `signal` then says whether the kill came first.
RunResult run_killed_after(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, long delay_us);

}  // namespace kolvi_test
