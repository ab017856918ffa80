// Runs a program and prints its peak resident memory, so that the benchmark
// needs nothing beyond what it builds.
//
//     peak_rss program [argument...]
//
// Prints "peak_rss_kb N" on standard error after the program ended and exits
// with the program's status (128 + the signal when it was killed).
#include <cerrno>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: peak_rss program [argument...]\n");
        return 2;
    }
    pid_t pid = ::fork();
    if (pid < 0) {
        std::perror("peak_rss: fork");
        return 2;
    }
    if (pid == 0) {
        ::execvp(argv[1], argv + 1);
        std::perror("peak_rss: exec");
        _exit(127);
    }
    int status = 0;
    struct rusage ru;
    while (::wait4(pid, &status, 0, &ru) < 0) {
        if (errno != EINTR) {
            std::perror("peak_rss: wait");
            return 2;
        }
    }
    std::fprintf(stderr, "peak_rss_kb %ld\n", ru.ru_maxrss);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
