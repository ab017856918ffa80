#include "convert/keywords.h"

#include "report/messages.h"

namespace kolvi {

static constexpr Keyword keywords[] = {
    {"TRACE_RESET", Handler::trace_reset, 0, 0},
    {"TRACE_POINT", Handler::legacy, 0, 1},
    {"TRACE_POINT1", Handler::legacy, 1, 1},
    {"TRACE_POINT2", Handler::legacy, 2, 1},
    {"TRACE_POINT3", Handler::legacy, 3, 1},
    {"TRACE_POINT4", Handler::legacy, 4, 1},
    {"TRACE_POINT5", Handler::legacy, 5, 1},
    {"TRACE0", Handler::trace_macro, 0, 1},
    {"TRACE1", Handler::trace_macro, 1, 1},
    {"TRACE2", Handler::trace_macro, 2, 1},
    {"TRACE3", Handler::trace_macro, 3, 1},
    {"TRACE4", Handler::trace_macro, 4, 1},
    {"TRACE5", Handler::trace_macro, 5, 1},
    {"trace0", Handler::trace_macro, 0, 1},
    {"trace1", Handler::trace_macro, 1, 1},
    {"trace2", Handler::trace_macro, 2, 1},
    {"trace3", Handler::trace_macro, 3, 1},
    {"trace4", Handler::trace_macro, 4, 1},
    {"trace5", Handler::trace_macro, 5, 1},
    {"TRACE11", Handler::trace_macro, 11, 2},
    {"TRACE12", Handler::trace_macro, 12, 2},
    {"TRACE13", Handler::trace_macro, 13, 2},
    {"TRACE14", Handler::trace_macro, 14, 2},
    {"TRACE15", Handler::trace_macro, 15, 2},
    {"trace11", Handler::trace_macro, 11, 2},
    {"trace12", Handler::trace_macro, 12, 2},
    {"trace13", Handler::trace_macro, 13, 2},
    {"trace14", Handler::trace_macro, 14, 2},
    {"trace15", Handler::trace_macro, 15, 2},
};

const Keyword* find_keyword(std::string_view token) {
    // Most tokens are ruled out without a comparison.
    if (token.size() < keyword_min_length || token.size() > keyword_max_length ||
        keyword_first_bytes.find(token[0]) == std::string_view::npos)
        return nullptr;
    for (int i = 0; i < edition->keyword_count; ++i)
        if (keywords[i].text == token) return &keywords[i];
    return nullptr;
}

}  // namespace kolvi
