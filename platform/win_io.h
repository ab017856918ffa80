// Helpers the two Windows files of platform/ share: reading and writing
// through the handle behind a C runtime descriptor.
#pragma once

#include <cstddef>

namespace kolvi {

// The handle behind a descriptor (INVALID_HANDLE_VALUE for a bad one).
void* handle_of(int fd);

// Sets errno from the last system error.
void set_errno_from_last_error();

// Reads up to `want` bytes at `offset`; `got` is 0 at the end of the file.
// False on an error, with errno set.
bool read_at(int fd, void* buf, std::size_t want, long long offset, std::size_t& got);

// Writes all `n` bytes at the descriptor's position; false with errno set.
bool write_all(int fd, const void* data, std::size_t n);

}  // namespace kolvi
