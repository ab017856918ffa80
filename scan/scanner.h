// The source scanner: reads the current source byte by byte, copies
// whitespace and // comments to the output stream, and cuts the rest into
// tokens for the converters.
#pragma once

#include <string>

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

}  // namespace kolvi
