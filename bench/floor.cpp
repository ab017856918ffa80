// The I/O floor: the least file work that any correct in-place rewriter of
// sources must do, with no rewriting at all. For each source named on the
// command line: read it, write its save copy (<source>.sav), create the
// temporary file beside it exclusively (<name>.tmp), write the same bytes
// into it and rename it onto the source. The benchmark measures the tool
// against this.
//
//     floor [-f] source...
//
// A leading -f is accepted and ignored, so that the same argument list can be
// given to both programs. Exit status 2 at the first failure.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "floor: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    std::exit(2);
}

bool write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

char* buffer = nullptr;
std::size_t capacity = 0;

// Reads the whole file; one read for a file that does not grow meanwhile.
std::size_t read_all(int fd, std::size_t size_hint, const std::string& path) {
    std::size_t got = 0;
    for (;;) {
        if (capacity < size_hint + 1 || got == capacity) {
            std::size_t want = capacity * 2 > size_hint + 1 ? capacity * 2 : size_hint + 1;
            if (want < 65536) want = 65536;
            buffer = static_cast<char*>(std::realloc(buffer, want));
            if (buffer == nullptr) fail("out of memory for", path);
            capacity = want;
        }
        ssize_t n = ::read(fd, buffer + got, capacity - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("cannot read", path);
        if (n == 0) return got;
        got += static_cast<std::size_t>(n);
        // A regular file returns less than asked only at its end.
        if (got < capacity) return got;
    }
}

std::string temp_name(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    std::string stem = dot == std::string::npos || dot < base ? path : path.substr(0, dot);
    return stem + ".tmp";
}

void pass(const std::string& path) {
    int src = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (src < 0) fail("cannot open", path);
    struct stat st;
    if (::fstat(src, &st) != 0) fail("cannot stat", path);
    std::size_t n = read_all(src, static_cast<std::size_t>(st.st_size), path);
    ::close(src);

    std::string save = path + ".sav";
    int sv = ::open(save.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (sv < 0) fail("cannot create", save);
    if (!write_all(sv, buffer, n) || ::close(sv) != 0) fail("cannot write", save);

    std::string temp = temp_name(path);
    // Created with the source's permission bits, so no chmod is needed after.
    int tf = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (tf < 0) fail("cannot create", temp);
    if (!write_all(tf, buffer, n) || ::close(tf) != 0) fail("cannot write", temp);
    if (::rename(temp.c_str(), path.c_str()) != 0) fail("cannot rename onto", path);
}

}  // namespace

int main(int argc, char** argv) {
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "-f") == 0) ++i;
    for (; i < argc; ++i) pass(argv[i]);
    return 0;
}
