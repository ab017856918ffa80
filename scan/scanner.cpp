#include "scan/scanner.h"

#include <cstdint>
#include <cstring>

#include "report/messages.h"

namespace kolvi {

int cur_char = 0;
std::string cur_token;
int echo_whitespace = 1;
int raw_quotes = 0;

namespace {

bool pushed = false;  // a byte was handed back and comes again
// Where the first byte 0 of the buffered text is (its end if none), once
// copy_plain_text has looked; forgotten whenever the buffer is filled.
constexpr std::size_t unknown = static_cast<std::size_t>(-1);
std::size_t zero_at = unknown;
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

// The bytes that carry a plain token on: token characters and double quotes.
struct PlainTable {
    bool of[256];
    constexpr PlainTable() : of() {
        for (int c = 0; c < 256; ++c) of[c] = classes.of[c] == token_char || classes.of[c] == quote;
    }
};
constexpr PlainTable plain_table;
constexpr const bool* continues_plain_token = plain_table.of;

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
    if (s.pos == s.end) zero_at = unknown;
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
    zero_at = unknown;
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
                advance();
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

namespace {

// The bytes at which copy_plain_text must look closer: the first bytes of
// the watched tokens, the slash, and (while string literals are read) the
// double quote. Built again when the watched first bytes change.
struct StopTables {
    std::string watched;
    bool built = false;
    bool plain[256] = {};   // raw_quotes set
    bool quoted[256] = {};  // raw_quotes clear
};
StopTables stops;

const bool* stop_table(std::string_view watch_first) {
    if (!stops.built || stops.watched != watch_first) {
        stops.watched.assign(watch_first);
        std::memset(stops.plain, 0, sizeof stops.plain);
        for (char c : watch_first) stops.plain[static_cast<unsigned char>(c)] = true;
        stops.plain[static_cast<unsigned char>('/')] = true;
        std::memcpy(stops.quoted, stops.plain, sizeof stops.quoted);
        stops.quoted[static_cast<unsigned char>('"')] = true;
        stops.built = true;
    }
    return raw_quotes ? stops.plain : stops.quoted;
}

// The line feeds in b[0..n), eight bytes at a time.
int count_line_feeds(const unsigned char* b, std::size_t n) {
    constexpr std::uint64_t ones = 0x0101010101010101ull, low7 = 0x7F7F7F7F7F7F7F7Full;
    int count = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x;
        std::memcpy(&x, b + i, 8);
        x ^= ones * '\n';  // a line feed becomes a zero byte
        const std::uint64_t nonzero = ((x & low7) + low7) | x;
        count += static_cast<int>((((~nonzero & ~low7) >> 7) * ones) >> 56);
    }
    for (; i < n; ++i) count += b[i] == '\n';
    return count;
}

}  // namespace

int copy_plain_text(std::string_view watch_first, std::size_t watch_min, std::size_t watch_max) {
    InStream& s = source_stream;
    // cur_char is the byte just taken from the buffer, at pos - 1, and it
    // begins a token or whitespace.
    if (pushed || cur_char == 0 || !echo_whitespace || s.pos == 0) return 0;
    const unsigned char* b = s.buf;
    const std::size_t start = s.pos - 1;
    const bool* stop = stop_table(watch_first);

    // The text ends at a byte 0 or at the end of the buffer. A token is
    // written only once the byte after it has been read, so a token that
    // touches that end, or a delimiter just before it, is left to next_token
    // (which reads the next buffer, or stops the run at the byte 0).
    if (zero_at == unknown) {
        const void* z = std::memchr(b + start, 0, s.end - start);
        zero_at = z != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(z) - b) : s.end;
    }
    const std::size_t end = zero_at;
    std::size_t safe = end;
    while (safe > start && continues_plain_token[b[safe - 1]]) --safe;
    if (safe == end && safe > start && class_of(b[safe - 1]) == delimiter) --safe;
    // A plain token over the length limit is for next_token to refuse.
    if (const std::size_t limit = static_cast<std::size_t>(edition->max_plain_token); limit != 0) {
        for (std::size_t i = start; i < safe;) {
            std::size_t j = i;
            while (j < safe && continues_plain_token[b[j]]) ++j;
            if (j - i > limit) {
                safe = i;
                break;
            }
            i = j + 1;
        }
    }

    // Where the tokens are: the last non-blank byte outside comments.
    std::size_t scanned = start;      // text from here on not yet looked at for tokens
    std::size_t last_token_end = 0;   // 0: no token yet
    auto note_tokens = [&](std::size_t upto) {
        std::size_t t = upto;
        while (t > scanned && class_of(b[t - 1]) == whitespace) --t;
        if (t > scanned) last_token_end = t;
    };

    std::size_t p = start;
    for (;;) {
        while (p + 4 <= safe && !stop[b[p]] && !stop[b[p + 1]] && !stop[b[p + 2]] && !stop[b[p + 3]]) p += 4;
        while (p < safe && !stop[b[p]]) ++p;
        if (p >= safe) {
            p = safe;
            break;
        }
        const unsigned char c = b[p];
        if (c == '/') {
            if (p + 1 >= end) break;  // a comment or a lone slash: the next buffer tells
            if (b[p + 1] == '/') {
                // A // comment, to its line feed, which must lie before `safe`.
                const void* nl = p + 2 < safe ? std::memchr(b + p + 2, '\n', safe - (p + 2)) : nullptr;
                if (nl == nullptr) break;
                note_tokens(p);
                p = static_cast<std::size_t>(static_cast<const unsigned char*>(nl) - b);
                scanned = p;
                continue;
            }
            ++p;  // a slash alone: a delimiter
            continue;
        }
        const bool token_start =
            p == start || class_of(b[p - 1]) == whitespace || class_of(b[p - 1]) == delimiter;
        if (!token_start) {
            ++p;
            continue;
        }
        if (c == '"' && !raw_quotes) break;  // a string literal
        if (class_of(c) != token_char) {
            ++p;
            continue;
        }
        // A plain token with a watched first byte: its length decides.
        std::size_t q = p + 1;
        while (q < safe && continues_plain_token[b[q]]) ++q;
        const std::size_t n = q - p;
        if (n >= watch_min && n <= watch_max) break;
        p = q;
    }
    if (p == start) return 0;
    note_tokens(p);
    out_write(output_stream, reinterpret_cast<const char*>(b + start), p - start);
    // The current byte was counted when it was read.
    line_number += count_line_feeds(b + start, p - start) - (cur_char == '\n' ? 1 : 0);
    int tokens = 0;
    if (last_token_end != 0) {
        std::size_t u = last_token_end - 1;
        if (class_of(b[u]) != delimiter)
            while (u > start && continues_plain_token[b[u - 1]]) --u;
        cur_token.assign(reinterpret_cast<const char*>(b + u), last_token_end - u);
        tokens = 1;
    }
    // The byte at p becomes the current one, read the ordinary way (a line
    // feed counted, a byte 0 refused, the next buffer read at the end).
    s.pos = p;
    next_char();
    return tokens;
}

}  // namespace kolvi
