// The buffered streams, over the descriptor calls of platform/io.h.
#include "platform/stream.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/fs.h"
#include "platform/io.h"

namespace kolvi {

void in_attach(InStream& s, int fd) {
    s.fd = fd;
    s.pos = s.end = 0;
    s.error = 0;
}

std::size_t in_refill(InStream& s) {
    s.pos = s.end = 0;
    if (s.fd < 0) return 0;
    std::size_t n = 0;
    if (!read_some(s.fd, s.buf, sizeof s.buf, n)) {
        s.error = errno ? errno : EIO;
        return 0;
    }
    s.end = n;
    return s.end;
}

void in_close(InStream& s) {
    if (s.fd >= 0) close_file(s.fd);
    s.fd = -1;
    s.pos = s.end = 0;
}

void out_attach(OutStream& s, int fd) {
    s.fd = fd;
    s.len = 0;
    s.offset = 0;
    s.ref_fd = -1;
    s.ref_size = 0;
    s.error = 0;
}

void out_compare_with(OutStream& s, int ref_fd, long long ref_size) {
    s.ref_fd = ref_fd;
    s.ref_size = ref_size;
}

// True when buf[0..len) equals the reference at `offset`.
static bool matches_reference(const OutStream& s) {
    static unsigned char ref[stream_buffer_size];
    if (s.offset + static_cast<long long>(s.len) > s.ref_size) return false;
    std::size_t got = 0;
    while (got < s.len) {
        std::size_t k = 0;
        if (!read_at(s.ref_fd, ref + got, s.len - got, s.offset + static_cast<long long>(got), k) || k == 0)
            return false;  // the reference cannot be read: stop comparing
        got += k;
    }
    return std::memcmp(ref, s.buf, s.len) == 0;
}

// Leaves compare mode: the file receives the identical prefix written so far.
void out_stop_comparing(OutStream& s) {
    if (s.ref_fd < 0) return;
    int ref = s.ref_fd;
    s.ref_fd = -1;
    if (s.error == 0 && s.offset > 0 && !copy_range(ref, 0, s.fd, s.offset)) s.error = errno ? errno : EIO;
}

void out_drain(OutStream& s) {
    if (s.len == 0) return;
    if (s.ref_fd >= 0) {
        if (matches_reference(s)) {
            s.offset += static_cast<long long>(s.len);
            s.len = 0;
            return;
        }
        out_stop_comparing(s);
    }
    if (s.error == 0 && s.fd >= 0 && !write_all(s.fd, s.buf, s.len)) s.error = errno ? errno : EIO;
    s.offset += static_cast<long long>(s.len);
    s.len = 0;
}

void out_puts(OutStream& s, const char* text) { out_write(s, text, std::strlen(text)); }

void out_printf(OutStream& s, const char* format, ...) {
    char small[512];
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(small, sizeof small, format, ap);
    va_end(ap);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        out_write(s, small, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(ap, format);
    std::vsnprintf(big.data(), big.size(), format, ap);
    va_end(ap);
    out_write(s, big.data(), static_cast<std::size_t>(n));
}

bool out_flush(OutStream& s) {
    out_drain(s);
    return s.error == 0;
}

bool out_still_identical(const OutStream& s) { return s.ref_fd >= 0; }

bool out_finish_compare(OutStream& s) {
    if (s.ref_fd < 0) return false;
    out_drain(s);
    if (s.ref_fd < 0) return false;
    if (s.offset == s.ref_size) {
        s.ref_fd = -1;
        return true;
    }
    out_stop_comparing(s);  // the text is a strict prefix of the reference
    return false;
}

bool out_close(OutStream& s) {
    if (s.fd < 0) return s.error == 0;
    out_drain(s);
    bool ok = s.error == 0;
    if (!close_file(s.fd) && ok) {
        s.error = errno ? errno : EIO;
        ok = false;
    }
    s.fd = -1;
    s.ref_fd = -1;
    return ok;
}

void out_abandon(OutStream& s) {
    if (s.fd >= 0) close_file(s.fd);
    s.fd = -1;
    s.ref_fd = -1;
    s.len = 0;
}

}  // namespace kolvi
