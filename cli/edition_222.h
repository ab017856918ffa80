// The description of edition 2.2.2.
#pragma once

#include "report/edition.h"

namespace kolvi {

extern const Edition edition_222;

}  // namespace kolvi
