// POSIX side of the file services.
#include "platform/fs.h"

#include "platform/io.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kolvi {

std::size_t path_limit() { return PATH_MAX - 1; }

bool full_path(const std::string& name, std::string& out) {
    std::string joined;
    if (!name.empty() && name[0] == '/') {
        joined = name;
    } else {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr) return false;
        joined = cwd;
        joined += '/';
        joined += name;
    }
    // Drop empty and "." segments; keep a trailing separator where the
    // name had one, so that a folder named with it stays one.
    out.clear();
    std::size_t i = 0;
    while (i < joined.size()) {
        while (i < joined.size() && joined[i] == '/') ++i;
        std::size_t j = joined.find('/', i);
        if (j == std::string::npos) j = joined.size();
        std::string_view seg(joined.data() + i, j - i);
        if (!seg.empty() && seg != ".") {
            out += '/';
            out += seg;
        }
        i = j;
    }
    if (out.empty()) out.push_back('/');
    else if (joined.back() == '/') out += '/';
    return out.size() <= path_limit();
}

FileFacts find_file(const std::string& path) {
    FileFacts f;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return f;
    f.exists = true;
    f.regular = S_ISREG(st.st_mode);
    f.read_only = (st.st_mode & S_IWUSR) == 0;
    return f;
}

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool make_writable(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool make_read_only(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::chmod(path.c_str(), st.st_mode & 07777 & ~(S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool rename_file(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

static int open_retry(const char* path, int flags, mode_t mode) {
    for (;;) {
        int fd = ::open(path, flags | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

int open_read(const std::string& path) { return open_retry(path.c_str(), O_RDONLY, 0); }

int open_truncate(const std::string& path) {
    return open_retry(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
}

int create_exclusive(const std::string& path) {
    return open_retry(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
}

bool close_file(int fd) { return ::close(fd) == 0; }

int dup_file(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }

long long file_size(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
}

bool read_some(int fd, void* buf, std::size_t want, std::size_t& got) {
    got = 0;
    for (;;) {
        ssize_t n = ::read(fd, buf, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        got = static_cast<std::size_t>(n);
        return true;
    }
}

bool read_at(int fd, void* buf, std::size_t want, long long offset, std::size_t& got) {
    got = 0;
    for (;;) {
        ssize_t n = ::pread(fd, buf, want, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        got = static_cast<std::size_t>(n);
        return true;
    }
}

bool write_all(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            if (k == 0) errno = ENOSPC;
            return false;
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

// The portable way, for file systems that cannot copy in the kernel.
static bool copy_by_reading(int from, long long offset, int to, long long count) {
    static char buf[1 << 16];
    while (count != 0) {
        std::size_t want = sizeof buf;
        if (count > 0 && static_cast<long long>(want) > count) want = static_cast<std::size_t>(count);
        ssize_t n = ::pread(from, buf, want, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return count < 0;  // the end, expected only when copying all
        if (!write_all(to, buf, static_cast<std::size_t>(n))) return false;
        offset += n;
        if (count > 0) count -= n;
    }
    return true;
}

bool copy_range(int from, long long offset, int to, long long count) {
    loff_t in = offset;
    while (count != 0) {
        std::size_t want = count > 0 ? static_cast<std::size_t>(count) : std::size_t(1) << 30;
        ssize_t n = ::copy_file_range(from, &in, to, nullptr, want, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                      errno == EBADF || errno == ETXTBSY)) {
            return copy_by_reading(from, in, to, count);
        }
        if (n < 0) return false;
        if (n == 0) {
            if (count < 0) return true;
            // The kernel copies nothing from some special files: read them.
            return copy_by_reading(from, in, to, count);
        }
        if (count > 0) count -= n;
    }
    return true;
}

bool copy_contents(int from, int to) { return copy_range(from, 0, to, -1); }

bool copy_permissions(int from, int to) {
    struct stat st;
    if (::fstat(from, &st) != 0) return false;
    // Owner and group only where we may set them; failing that is no error.
    if (::fchown(to, st.st_uid, st.st_gid) != 0) (void)0;
    return ::fchmod(to, st.st_mode & 07777) == 0;
}

bool copy_by_command_processor(const std::string& from, const std::string& to) {
    // The names travel as positional parameters: the shell never reads them
    // as words of the command, so blanks and shell characters are harmless.
    // A directory in the save file's place is refused (cp would copy into
    // it); -f replaces a read-only save file. cp gives the copy the source's
    // mode, but a save file is never read-only. The tool reports a failure
    // itself, on stdout.
    const char* argv[] = {"sh", "-c",
                          "[ -d \"$2\" ] && exit 1; cp -f -- \"$1\" \"$2\" 2>/dev/null && chmod u+w -- \"$2\"", "sh",
                          from.c_str(), to.c_str(), nullptr};
    pid_t pid;
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kolvi
