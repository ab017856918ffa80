#include "convert/convert.h"

#include <string>

#include "cli/settings.h"
#include "convert/keywords.h"
#include "convert/trace_point_file.h"
#include "report/messages.h"
#include "scan/scanner.h"

namespace kolvi {

int category_enabled(std::string_view category, std::string_view list) {
    if (list.empty()) return 1;
    std::size_t i = 0;
    while (i < list.size()) {
        std::size_t comma = list.find(',', i);
        if (comma == std::string_view::npos) comma = list.size();
        if (comma > i && list.substr(i, comma - i) == category) return 1;
        i = comma + 1;
    }
    return 0;
}

void convert_source() {
    for (;;) {
        // Text that holds no trace point goes through in one piece.
        if (copy_plain_text(keyword_first_bytes, keyword_min_length, keyword_max_length) > 0 &&
            edition->has_raw_quotes)
            raw_quotes = 1;
        if (!next_token()) break;
        const Keyword* k = find_keyword(cur_token);
        if (k == nullptr) {
            out_write(output_stream, cur_token.data(), cur_token.size());
            if (edition->has_raw_quotes) raw_quotes = 1;
            continue;
        }
        switch (k->handler) {
        case Handler::trace_reset: convert_trace_reset(); break;
        case Handler::legacy: convert_legacy_trace_point(*k); break;
        case Handler::trace_macro: convert_trace_macro(*k); break;
        }
    }
}

void head_token() {
    if (!next_token()) fatal_error("unexpected end of file");
}

void expect(const char* punctuation, const char* message) {
    head_token();
    if (cur_token != punctuation) fatal_error("%s", message);
}

void convert_trace_macro(const Keyword& k) {
    if (edition->has_raw_quotes) raw_quotes = 0;
    const int macro = k.macro_number;
    echo_whitespace = 0;

    static std::string category, preserved;
    const bool presnum = settings.presnum;
    expect("(", "missing open paren");
    if (presnum) preserved = cur_token;
    head_token();  // the old number: dropped
    if (presnum) preserved += cur_token;
    expect(",", "missing comma");
    if (presnum) preserved += cur_token;
    head_token();
    category = cur_token;
    if (presnum) preserved += cur_token;
    expect(",", "missing comma");
    if (presnum) preserved += cur_token;
    head_token();
    const int level = read_int(cur_token.c_str(), nullptr);
    if (presnum) preserved += cur_token;
    expect(",", "missing comma");
    if (presnum) preserved += cur_token;
    pass_whitespace();

    const bool active = settings.minlvl <= level && level <= settings.maxlvl &&
                        category_enabled(category, settings.categs);
    if (active) {
        out_printf(output_stream, k.digit_count == 1 ? "TRACE%1d(%d, %s, %d, " : "TRACE%2d(%d, %s, %d, ", macro,
                   next_number, category.c_str(), level);
        head_token();  // the format string
        out_write(output_stream, cur_token.data(), cur_token.size());
        write_trace_point_record(next_number, macro, category, cur_token);
        ++next_number;
    } else if (!presnum) {
        out_printf(output_stream, "trace%1d(0, %s, %d, ", macro, category.c_str(), level);
    } else {
        out_printf(output_stream, "trace%1d", macro);
        out_write(output_stream, preserved.data(), preserved.size());
    }
    ++total_count;
    echo_whitespace = 1;
}

}  // namespace kolvi
