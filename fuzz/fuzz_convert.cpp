// libFuzzer target: the scanner and the conversion of one source, read from
// an in-memory file, with settings taken from the input.
//
// Input layout (missing parts take their defaults):
//   byte 0   switches: bit 0 edition 0.0.1, bit 1 -pn, bit 2 raw_quotes set
//            at the start, bit 3 compare the output with the source (as a
//            real pass does), bit 4 level bounds at the ends of int
//   byte 1-3 minlvl, maxlvl, leglvl, each a signed byte
//   then     the category list up to a line feed, the legacy category up to
//            a line feed, and the rest is the source.
//
// Besides what the sanitizers catch, a run must keep these promises: a run
// that met no trace point gives the source back byte for byte; a compared
// output reports "unchanged" exactly when it is; the trace point file holds
// one line per number given out; converting the output once more with the
// same settings changes neither the text nor the records (unless it holds
// // comments, which move when they stand inside a head).
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>

#include "cli/edition_222.h"
#include "cli/settings.h"
#include "convert/convert.h"
#include "convert/trace_point_file.h"
#include "edition001/edition001.h"
#include "report/messages.h"
#include "scan/scanner.h"

namespace {

struct FatalExit {};

[[noreturn]] void leave_by_throwing(int) { throw FatalExit{}; }

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

std::string contents_of(int fd) {
    std::string s;
    char buf[4096];
    for (off_t at = 0;;) {
        ssize_t n = pread(fd, buf, sizeof buf, at);
        if (n <= 0) return s;
        s.append(buf, static_cast<std::size_t>(n));
        at += n;
    }
}

int memfd_with(std::string_view bytes) {
    int fd = memfd_create("kolvi-fuzz", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

std::string_view take_line(std::string_view& rest, std::size_t max) {
    std::size_t end = rest.find('\n');
    if (end == std::string_view::npos || end > max) return {};
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return line;
}

bool one_plain_token(std::string_view text) {
    if (text.empty() || text[0] == '"') return false;
    for (char c : text)
        if (std::strchr(" \t\n\v\f\r;:,{}+-/*=()[]", c) != nullptr) return false;
    return true;
}

struct Outcome {
    bool completed = false;
    std::string text;     // the converted source
    std::string records;  // the trace point file
};

// One pass over `source` with the current settings, as the run driver and
// the file work would do it, but in memory.
Outcome convert_once(std::string_view source, bool compare, int start_raw) {
    using namespace kolvi;
    verbose = 0;
    source_path = "/fuzz/source.c";
    temp_path.clear();
    line_number = 1;
    cur_token.clear();
    echo_whitespace = 1;
    raw_quotes = start_raw;
    next_number = total_count = 1;
    legacy_count = 0;

    const int out_fd = memfd_with({});
    const int tp_fd = memfd_with({});
    const int ref_fd = memfd_with(source);
    // The streams close their descriptors; these stay open for reading.
    out_attach(output_stream, dup(out_fd));
    if (compare) out_compare_with(output_stream, ref_fd, static_cast<long long>(source.size()));
    out_attach(trace_point_stream, dup(tp_fd));
    in_attach(source_stream, memfd_with(source));

    Outcome o;
    try {
        start_source();
        convert_source();
        o.completed = true;
    } catch (const FatalExit&) {
        check(source_stream.fd < 0 && output_stream.fd < 0 && trace_point_stream.fd < 0,
              "a fatal error closes every stream");
    }

    if (o.completed) {
        check(source_stream.fd < 0, "the scanner closes the source at its end");
        check(echo_whitespace == 1, "whitespace is echoed again after every trace point");
        const bool unchanged = compare && out_finish_compare(output_stream);
        check(out_close(output_stream), "the output is written");
        check(out_close(trace_point_stream), "the trace point file is written");
        const std::string written = contents_of(out_fd);
        if (unchanged) check(written.empty(), "an unchanged output writes nothing");
        o.text = unchanged ? std::string(source) : written;
        if (compare && !unchanged) check(o.text != source, "an output equal to the source counts as unchanged");
        o.records = contents_of(tp_fd);
        long lines = 0;
        for (char c : o.records) lines += c == '\n';
        check(lines == next_number - 1, "one record per number given out");
        check(next_number <= total_count, "active trace points are counted among all");
    }
    close(out_fd);
    close(tp_fd);
    close(ref_fd);
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kolvi::fatal_exit = leave_by_throwing;
    // The error lines go to standard output; libFuzzer reports on stderr.
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kolvi;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    auto byte = [&rest]() -> int {
        if (rest.empty()) return 0;
        int b = static_cast<unsigned char>(rest[0]);
        rest.remove_prefix(1);
        return b;
    };
    const int flags = byte();
    const int min_byte = static_cast<std::int8_t>(byte());
    const int max_byte = static_cast<std::int8_t>(byte());
    const int leg_byte = static_cast<std::int8_t>(byte());
    static std::string categs, legcat;
    categs = take_line(rest, 64);
    legcat = take_line(rest, 32);
    if (legcat.empty()) legcat = "nil";
    const std::string_view source = rest;

    edition = (flags & 1) ? &edition_001 : &edition_222;
    settings = Settings{};
    settings.presnum = edition->has_presnum && (flags & 2);
    settings.minlvl = (flags & 16) ? (min_byte < 0 ? INT_MIN : min_byte) : min_byte;
    settings.maxlvl = (flags & 16) ? (max_byte < 0 ? max_byte : INT_MAX) : max_byte;
    settings.leglvl = leg_byte;
    settings.categs = categs.c_str();
    settings.legcat = legcat.c_str();
    const bool compare = flags & 8;
    const int start_raw = edition->has_raw_quotes && (flags & 4) ? 1 : 0;

    const Outcome first = convert_once(source, compare, start_raw);
    if (!first.completed) return 0;
    if (total_count == 1 && source.find("TRACE_RESET") == std::string_view::npos)
        check(first.text == source, "a source without trace points comes back byte for byte");

    // Converting the output again changes nothing. Left out: TRACE_RESET,
    // which becomes an ordinary token, after which string literals are
    // split; and legacy trace points under -pn, whose inactive form has the
    // blanks that -pn drops from an inactive head on the next run, or a
    // legacy level or category that the next run does not read back as one
    // token (a negative level, whose minus sign is a token of its own).
    if (source.find("TRACE_RESET") != std::string_view::npos) return 0;
    if ((settings.presnum || settings.leglvl < 0 || !one_plain_token(settings.legcat)) &&
        source.find("TRACE_POINT") != std::string_view::npos)
        return 0;
    // And // comments: one inside a head is written ahead of the rewritten
    // head, so on the next run it may pass the head before it, or join a
    // slash that stood there (a format string "/" becomes comment text, and
    // the numbering moves).
    if (first.text.find("//") != std::string::npos) return 0;
    const Outcome second = convert_once(first.text, compare, start_raw);
    check(second.completed, "the output converts again");
    check(second.text == first.text, "a second conversion changes nothing");
    check(second.records == first.records, "a second conversion writes the same records");
    return 0;
}

