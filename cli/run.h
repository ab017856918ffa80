// The run driver: one pass over the command line, for the given edition.
#pragma once

#include "report/edition.h"

namespace kolvi {

int run(int argc, const char* const* argv, const Edition& chosen);

}  // namespace kolvi
