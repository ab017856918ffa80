// What the Windows side of platform/ shares: the handle behind a C runtime
// descriptor, and errno from the system's errors.
#pragma once

#include <cstddef>

namespace kolvi {

// The handle behind a descriptor (INVALID_HANDLE_VALUE for a bad one).
void* handle_of(int fd);

// Sets errno from the last system error.
void set_errno_from_last_error();

}  // namespace kolvi
