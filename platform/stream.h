// Buffered byte streams over file descriptors: the source stream the scanner
// reads, and the output and trace point streams the converters write. Bytes
// pass unchanged; a stream is either open (fd >= 0) or closed.
#pragma once

#include <cstddef>
#include <cstring>

namespace kolvi {

constexpr std::size_t stream_buffer_size = 1 << 16;

struct InStream {
    int fd = -1;
    std::size_t pos = 0;
    std::size_t end = 0;
    int error = 0;  // errno of a failed read, 0 if none
    unsigned char buf[stream_buffer_size];
};

// Fills the buffer again; returns the number of bytes now available, 0 at
// the end of the file or after a read error (see `error`).
std::size_t in_refill(InStream& s);
void in_attach(InStream& s, int fd);
void in_close(InStream& s);

// An output stream can run in "compare" mode: while it holds a reference
// descriptor, what is written is compared with the reference file instead of
// being written. At the first difference the identical prefix is copied from
// the reference and the stream carries on writing. A stream that never
// differed and ends at the reference's length has written nothing at all.
struct OutStream {
    int fd = -1;
    std::size_t len = 0;
    long long offset = 0;  // bytes before buf[0]
    int ref_fd = -1;       // compare against this file while >= 0
    long long ref_size = 0;
    int error = 0;         // errno of the first failed write
    unsigned char buf[stream_buffer_size];
};

void out_attach(OutStream& s, int fd);
void out_compare_with(OutStream& s, int ref_fd, long long ref_size);
void out_drain(OutStream& s);

inline void out_put(OutStream& s, unsigned char c) {
    if (s.len == sizeof s.buf) out_drain(s);
    s.buf[s.len++] = c;
}

inline void out_write(OutStream& s, const char* p, std::size_t n) {
    if (n <= sizeof s.buf - s.len) {
        std::memcpy(s.buf + s.len, p, n);
        s.len += n;
        return;
    }
    while (n > 0) {
        if (s.len == sizeof s.buf) out_drain(s);
        std::size_t room = sizeof s.buf - s.len;
        std::size_t k = n < room ? n : room;
        std::memcpy(s.buf + s.len, p, k);
        s.len += k;
        p += k;
        n -= k;
    }
}

void out_puts(OutStream& s, const char* text);
void out_printf(OutStream& s, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Hands everything buffered to the file; false if any write so far failed.
bool out_flush(OutStream& s);

// True while a compare-mode stream has matched its reference so far.
bool out_still_identical(const OutStream& s);

// Ends compare mode: if the text written matches the reference in full,
// returns true and nothing has been written. Otherwise the text is completed
// in the file and false is returned.
bool out_finish_compare(OutStream& s);

// Leaves compare mode at once, writing the identical prefix to the file.
void out_stop_comparing(OutStream& s);

// Flushes and closes; false if any write or the close failed.
bool out_close(OutStream& s);
// Closes without caring for errors (the fatal-error path).
void out_abandon(OutStream& s);

}  // namespace kolvi
