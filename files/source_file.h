// The file work of one source pass: the save copy, the temporary file that
// receives the rewritten text, and its move into the source's place.
#pragma once

#include <string>

namespace kolvi {

// Makes the save copy, creates the temporary file, opens the source and
// reads its first byte.
void prepare_source(const std::string& full, bool read_only);

// Puts the rewritten text in the source's place, unless it is the same.
void replace_source(const std::string& full, bool read_only);

}  // namespace kolvi
