// The two ways anything reaches the console, and the run state they read.
#pragma once

#include <string>

#include "platform/stream.h"
#include "report/edition.h"

namespace kolvi {

// Run state shared by every part of a run.
extern const Edition* edition;
extern int verbose;
extern std::string source_path;  // full path of the current source
extern int line_number;          // line being read in the current source
extern std::string temp_path;    // temporary file this run created and owns, or empty

extern InStream source_stream;
extern OutStream output_stream;
extern OutStream trace_point_stream;

// With `verbose` set: "kolvi: ", the formatted text and a newline.
void verbose_message(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints the error line, closes the open streams, removes the temporary file
// this run owns and ends the process with exit status 2.
[[noreturn]] void fatal_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Test seam: the very last step of fatal_error, std::exit in the programs.
// A test that runs the conversion inside its own process (the fuzz target)
// points it at a function that leaves by throwing; it must not return.
extern void (*fatal_exit)(int status);

constexpr int exit_complete = 0;
constexpr int exit_usage = 1;
constexpr int exit_fatal = 2;

}  // namespace kolvi
