// The conversion of one source: every token is copied, every trace point
// head is rewritten, and every active trace point is numbered and recorded.
#pragma once

#include <string_view>

namespace kolvi {

void convert_source();

struct Keyword;
void convert_trace_macro(const Keyword& k);
void convert_legacy_trace_point(const Keyword& k);
void convert_trace_reset();

// 1 when `category` is one of the comma-separated items of `list`, or the
// list is empty; 0 otherwise.
int category_enabled(std::string_view category, std::string_view list);

}  // namespace kolvi
