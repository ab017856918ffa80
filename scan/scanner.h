// The source scanner: reads the current source byte by byte, copies
// whitespace and // comments to the output stream, and cuts the rest into
// tokens for the converters.
#pragma once

#include <string>
#include <string_view>

namespace kolvi {

extern int cur_char;            // current byte, 1 to 255; 0 once the source has ended
extern std::string cur_token;   // the most recent token
extern int echo_whitespace;     // copy the whitespace passed over
extern int raw_quotes;          // a double quote is an ordinary token character

// Makes the scanner ready for the source just attached to the source stream
// and reads its first byte.
void start_source();

void next_char();
void push_back_char();
// Reads a string literal whose opening quote is in cur_char; the contents,
// without quotes, go to `contents`.
void read_string_literal(std::string& contents);
void pass_whitespace();
// 1 after reading a token into cur_token, 0 at the end of the source.
int next_token();

// The fast way through ordinary text, for the conversion loop: copies the
// bytes from the current one on straight to the output stream, as repeated
// next_token calls writing every token back would, as long as they are
// whitespace, // comments, delimiters and plain tokens. It stops before the
// first token the caller must see itself: a plain token of `watch_min` to
// `watch_max` bytes that begins with one of the bytes of `watch_first`, a
// string literal, and anything that reaches the end of the buffered text or
// would stop the run; next_token then reads it. Needs `echo_whitespace`
// set. Leaves cur_token at the last token copied; returns 1 when it copied
// a token, 0 when none (whitespace and comments only, or nothing).
int copy_plain_text(std::string_view watch_first, std::size_t watch_min, std::size_t watch_max);

}  // namespace kolvi
