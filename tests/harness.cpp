#include "tests/harness.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

namespace kolvi_test {

static std::string from_env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? v : fallback;
}

std::string kolvi_program() { return from_env("KOLVI_PROGRAM", KOLVI_PROGRAM); }
std::string kolvi001_program() { return from_env("KOLVI001_PROGRAM", KOLVI001_PROGRAM); }

// The words to execute: a runner (an emulator, say) may stand in front of
// the program.
static std::vector<std::string> command_line(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> words;
    std::string runner = from_env("KOLVI_TEST_RUNNER", "");
    if (!runner.empty()) words.push_back(runner);
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    return words;
}

std::vector<Program> both_programs() {
    return {{"kolvi", kolvi_program(), true}, {"kolvi-0.0.1", kolvi001_program(), false}};
}

static void drain(int fd, std::string& into) {
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        into.append(buf, static_cast<std::size_t>(n));
    }
}

RunResult run(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
              const Limits& limits) {
    int out_pipe[2], err_pipe[2];
    if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) throw std::runtime_error("pipe");
    std::vector<std::string> argv_text = command_line(program, args);
    std::vector<char*> argv;
    for (auto& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        ::dup2(out_pipe[1], 1);
        ::dup2(err_pipe[1], 2);
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        ::close(out_pipe[1]);
        ::close(err_pipe[1]);
        int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0) ::dup2(devnull, 0);
        if (::chdir(cwd.c_str()) != 0) ::_exit(126);
        if (limits.file_size >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit rl = {static_cast<rlim_t>(limits.file_size), static_cast<rlim_t>(limits.file_size)};
            ::setrlimit(RLIMIT_FSIZE, &rl);
        }
        if (limits.open_files >= 0) {
            struct rlimit rl = {static_cast<rlim_t>(limits.open_files), static_cast<rlim_t>(limits.open_files)};
            ::setrlimit(RLIMIT_NOFILE, &rl);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    RunResult r;
    // Read both pipes without letting either fill up.
    struct pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    int open_count = 2;
    while (open_count > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buf[4096];
            ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    return r;
}

bool testing_windows() { return !from_env("KOLVI_TEST_WINDOWS", "").empty(); }

std::string shown_path(const std::string& path) {
    if (!testing_windows()) return path;
    // Segments of the absolute path, with "." dropped and ".." taking the
    // one before it away; a trailing separator stays.
    std::vector<std::string> segments;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        std::string seg = path.substr(i, j - i);
        if (seg == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.push_back(seg);
        }
        i = j + 1;
    }
    std::string p = "Z:";
    for (const auto& seg : segments) p += "\\" + seg;
    if (segments.empty() || (!path.empty() && path.back() == '/')) p += '\\';
    return p;
}

TempDir::TempDir() {
    std::string base = from_env("TMPDIR", "/tmp");
    std::string pattern = base + "/kolvi-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

static int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
    ::chmod(path, 0700);
    return ::remove(path);
}

TempDir::~TempDir() {
    // Make everything writable first, so that read-only test files go too.
    ::nftw(path_.c_str(), [](const char* p, const struct stat* st, int, struct FTW*) {
        ::chmod(p, S_ISDIR(st->st_mode) ? 0700 : 0600);
        return 0;
    }, 16, FTW_PHYS);
    ::nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

void write_file(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string read_file(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot read " + path);
    std::string s;
    drain(fd, s);
    ::close(fd);
    return s;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> list_dir(const std::string& path) {
    std::vector<std::string> names;
    DIR* d = ::opendir(path.c_str());
    if (d == nullptr) return names;
    while (struct dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

FileStamp stamp(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot stat " + path);
    FileStamp s;
    s.inode = st.st_ino;
    s.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    s.mode = st.st_mode & 07777;
    return s;
}

void set_mode(const std::string& path, unsigned mode) { ::chmod(path.c_str(), mode); }

RunResult run_killed_after(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, long delay_us) {
    std::vector<std::string> argv_text = command_line(program, args);
    std::vector<char*> argv;
    for (auto& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
            if (devnull > 2) ::close(devnull);
        }
        if (::chdir(cwd.c_str()) != 0) ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    // A process that has ended stays a zombie until waited for, so the kill
    // can never reach another process.
    struct timespec delay = {delay_us / 1000000, (delay_us % 1000000) * 1000};
    while (::nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    RunResult r;
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    return r;
}

}  // namespace kolvi_test
