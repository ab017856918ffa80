#include "report/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/fs.h"

namespace kolvi {

const Edition* edition = nullptr;  // chosen by the program's main
int verbose = 0;
std::string source_path;
int line_number = 0;
std::string temp_path;
static void exit_process(int status) { std::exit(status); }
void (*fatal_exit)(int status) = exit_process;

InStream source_stream;
OutStream output_stream;
OutStream trace_point_stream;

void verbose_message(const char* format, ...) {
    if (verbose == 0) return;
    std::fputs("kolvi: ", stdout);
    va_list ap;
    va_start(ap, format);
    std::vprintf(format, ap);
    va_end(ap);
    std::fputc('\n', stdout);
}

void fatal_error(const char* format, ...) {
    if (edition->error_names_file)
        std::printf("kolvi: error in %s - line - %d: ", source_path.c_str(), line_number);
    else
        std::printf("kolvi: error - line - %d: ", line_number);
    va_list ap;
    va_start(ap, format);
    std::vprintf(format, ap);
    va_end(ap);
    std::fputc('\n', stdout);
    std::fflush(stdout);

    in_close(source_stream);
    if (edition->fatal_removes_temp) {
        out_abandon(output_stream);
    } else if (output_stream.fd >= 0) {
        out_stop_comparing(output_stream);  // the file keeps the text converted so far
        out_close(output_stream);
    }
    if (trace_point_stream.fd >= 0) out_close(trace_point_stream);
    if (edition->fatal_removes_temp && !temp_path.empty()) remove_file(temp_path);
    temp_path.clear();
    fatal_exit(exit_fatal);
    std::exit(exit_fatal);  // should the seam return after all
}

}  // namespace kolvi
