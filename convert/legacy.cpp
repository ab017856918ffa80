// The older trace point forms: TRACE_POINT, TRACE_POINT1 to TRACE_POINT5 and
// TRACE_RESET, rewritten into the current ones.
#include "cli/settings.h"
#include "convert/convert.h"
#include "convert/keywords.h"
#include "convert/trace_point_file.h"
#include "report/messages.h"
#include "scan/scanner.h"

namespace kolvi {

void convert_trace_reset() { out_puts(output_stream, "TRACE"); }

void convert_legacy_trace_point(const Keyword& k) {
    if (edition->has_raw_quotes) raw_quotes = 0;
    const int macro = k.macro_number;
    echo_whitespace = 0;

    expect("(", "missing open paren");
    for (int i = 0; i < 3; ++i) {
        head_token();  // a leading argument: dropped
        expect(",", "missing comma");
    }
    pass_whitespace();
    ++legacy_count;

    const Settings& s = settings;
    const bool active = s.minlvl <= s.leglvl && s.leglvl <= s.maxlvl && category_enabled(s.legcat, s.categs);
    if (active) {
        out_printf(output_stream, "TRACE%1d(%d, %s, %d, ", macro, next_number, s.legcat, s.leglvl);
        head_token();  // the format string
        out_write(output_stream, cur_token.data(), cur_token.size());
        write_trace_point_record(next_number, macro, s.legcat, cur_token);
        ++next_number;
    } else {
        out_printf(output_stream, "trace%1d(0, %s, %d, ", macro, s.legcat, s.leglvl);
    }
    ++total_count;
    echo_whitespace = 1;
}

}  // namespace kolvi
