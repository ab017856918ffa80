// The few descriptor calls the buffered streams need, one implementation
// for each platform (fs_posix.cpp, fs_windows.cpp).
#pragma once

#include <cstddef>

namespace kolvi {

// Reads up to `want` bytes at the descriptor's position; `got` is 0 at the
// end of the file. False on an error, with errno set.
bool read_some(int fd, void* buf, std::size_t want, std::size_t& got);

// The same at `offset`, leaving the descriptor's position alone.
bool read_at(int fd, void* buf, std::size_t want, long long offset, std::size_t& got);

// Writes all `n` bytes at the descriptor's position; false with errno set.
bool write_all(int fd, const void* data, std::size_t n);

}  // namespace kolvi
