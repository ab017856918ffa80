// The description of edition 0.0.1.
#pragma once

#include "report/edition.h"

namespace kolvi {

extern const Edition edition_001;

}  // namespace kolvi
