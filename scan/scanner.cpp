#include "scan/scanner.h"

#include "report/messages.h"

namespace kolvi {

int cur_char = 0;
std::string cur_token;
int echo_whitespace = 1;
int raw_quotes = 0;

namespace {

bool pushed = false;  // a byte was handed back and comes again
int pushed_char = 0;

enum CharClass : unsigned char { token_char, whitespace, delimiter, quote, nul };

struct ClassTable {
    CharClass of[256];
    constexpr ClassTable() : of() {
        for (int c = 0; c < 256; ++c) of[c] = token_char;
        for (int c = 9; c <= 13; ++c) of[c] = whitespace;
        of[static_cast<unsigned char>(' ')] = whitespace;
        for (const char* d = ";:,{}+-/*=()[]"; *d; ++d) of[static_cast<unsigned char>(*d)] = delimiter;
        of[static_cast<unsigned char>('"')] = quote;
        of[0] = nul;
    }
};
constexpr ClassTable classes;

inline CharClass class_of(int c) { return classes.of[c]; }

[[noreturn]] void source_unreadable() {
    fatal_error("cannot read source file \"%s\"", source_path.c_str());
}

[[noreturn]] void null_byte() { fatal_error("null byte in source file \"%s\"", source_path.c_str()); }

void next_char_slow() {
    InStream& s = source_stream;
    if (s.fd < 0) {
        cur_char = 0;
        return;
    }
    if (s.pos == s.end && in_refill(s) == 0) {
        if (s.error != 0) source_unreadable();
        in_close(s);
        cur_char = 0;
        return;
    }
    cur_char = s.buf[s.pos++];
    if (cur_char == '\n') ++line_number;
    else if (cur_char == 0) null_byte();
}

inline void advance() {
    InStream& s = source_stream;
    if (!pushed && s.pos < s.end) {
        int c = s.buf[s.pos];
        if (c > '\n') {
            ++s.pos;
            cur_char = c;
            return;
        }
    }
    next_char();
}

}  // namespace

void start_source() {
    pushed = false;
    next_char();
}

void next_char() {
    if (pushed) {
        pushed = false;
        cur_char = pushed_char;
        return;
    }
    next_char_slow();
}

void push_back_char() {
    if (source_stream.fd < 0 && cur_char == 0) return;  // nothing to hand back
    pushed = true;
    pushed_char = cur_char;
}

void read_string_literal(std::string& contents) {
    contents.clear();
    const std::size_t limit = static_cast<std::size_t>(edition->max_literal);
    for (;;) {
        advance();
        if (cur_char == '"') {
            advance();
            return;
        }
        if (cur_char == '\n' || cur_char == 0) fatal_error("missing closing double quote on string");
        if (contents.size() == limit) fatal_error("too many characters in string");
        contents += static_cast<char>(cur_char);
    }
}

void pass_whitespace() {
    for (;;) {
        while (class_of(cur_char) == whitespace) {
            if (echo_whitespace) out_put(output_stream, static_cast<unsigned char>(cur_char));
            advance();
        }
        if (cur_char != '/') return;
        advance();
        if (cur_char != '/') {
            push_back_char();
            cur_char = '/';
            return;
        }
        // A // comment: copied up to, not including, its line feed.
        out_put(output_stream, '/');
        while (cur_char != '\n' && cur_char != 0) {
            out_put(output_stream, static_cast<unsigned char>(cur_char));
            advance();
        }
        if (!echo_whitespace) {
            // Inside a trace point head the whitespace is dropped, but the
            // comment's line end must stay, or the text written after the
            // comment would become part of it.
            if (cur_char == '\n') {
                out_put(output_stream, '\n');
                advance();
            } else {
                out_put(output_stream, '\n');
            }
        }
    }
}

int next_token() {
    pass_whitespace();
    if (cur_char == 0) return 0;
    CharClass cls = class_of(cur_char);
    if (cls == quote && !raw_quotes) {
        static std::string contents;
        read_string_literal(contents);
        cur_token.assign(1, '"');
        cur_token += contents;
        cur_token += '"';
        return 1;
    }
    if (cls == delimiter) {
        cur_token.assign(1, static_cast<char>(cur_char));
        advance();
        return 1;
    }
    cur_token.clear();
    const std::size_t limit = static_cast<std::size_t>(edition->max_plain_token);
    for (;;) {
        InStream& s = source_stream;
        if (!pushed && s.pos < s.end) {
            // Take the rest of the run straight from the buffer.
            std::size_t start = s.pos - 1;
            if (s.pos > 0 && s.buf[start] == cur_char) {
                std::size_t p = s.pos;
                while (p < s.end && (class_of(s.buf[p]) == token_char || class_of(s.buf[p]) == quote)) ++p;
                std::size_t n = p - start;
                if (limit != 0 && cur_token.size() + n > limit) {
                    n = limit - cur_token.size();
                    cur_token.append(reinterpret_cast<const char*>(s.buf + start), n);
                    fatal_error("too many characters in token \"%s\"", cur_token.c_str());
                }
                cur_token.append(reinterpret_cast<const char*>(s.buf + start), n);
                s.pos = p;
                next_char();
                cls = class_of(cur_char);
                if (cls == token_char || cls == quote) continue;
                return 1;
            }
        }
        if (limit != 0 && cur_token.size() == limit)
            fatal_error("too many characters in token \"%s\"", cur_token.c_str());
        cur_token += static_cast<char>(cur_char);
        advance();
        cls = class_of(cur_char);
        if (cls != token_char && cls != quote) return 1;
    }
}

}  // namespace kolvi
