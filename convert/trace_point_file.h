// The trace point file: one record per active trace point, seeded with the
// overflow record or with the records of a merge file.
#pragma once

#include <string_view>

namespace kolvi {

extern int next_number;   // the next trace point number: the records so far
extern int total_count;   // seeded records plus every trace point processed
extern int legacy_count;  // legacy trace points converted

void open_trace_point_file();
void write_trace_point_record(int number, int macro, std::string_view category, std::string_view format);
// Hands the records written so far to the file; stops the run if that fails.
void flush_trace_point_file();
void close_trace_point_file();

}  // namespace kolvi
