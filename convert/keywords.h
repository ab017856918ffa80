// The trace point keywords, in the order in which a token is tested.
#pragma once

#include <string_view>

namespace kolvi {

enum class Handler { trace_reset, legacy, trace_macro };

struct Keyword {
    std::string_view text;
    Handler handler;
    int macro_number;
    int digit_count;
};

// Every keyword is 6 to 12 bytes long and begins with T or t.
constexpr std::string_view keyword_first_bytes = "Tt";
constexpr std::size_t keyword_min_length = 6;
constexpr std::size_t keyword_max_length = 12;

// The first `edition->keyword_count` entries are the edition's keywords;
// null when `token` is none of them.
const Keyword* find_keyword(std::string_view token);

// Reading a trace point head: the next token, which must exist, and a
// punctuation token, which must be exactly `punctuation` or the run stops
// with `message`.
void head_token();
void expect(const char* punctuation, const char* message);

}  // namespace kolvi
