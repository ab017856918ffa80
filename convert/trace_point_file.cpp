#include "convert/trace_point_file.h"

#include <cctype>
#include <climits>
#include <string>

#include "cli/settings.h"
#include "platform/fs.h"
#include "report/messages.h"

namespace kolvi {

int next_number = 0;
int total_count = 0;
int legacy_count = 0;

namespace {

std::string tp_full_path;

std::string resolve(const std::string& name) {
    std::string full;
    if (!full_path(name, full)) fatal_error("path %s is too long", name.c_str());
    return full;
}

void check_written() {
    if (trace_point_stream.error != 0) fatal_error("cannot write trace point file %s", tp_full_path.c_str());
}

// Reads merge records one at a time: "%d %d %s \"%[^\"]\"" and the
// whitespace after it, line ends of either kind.
struct MergeReader {
    InStream* in;
    std::string path;
    int line = 1;
    int record_line = 1;  // where the record being read begins

    int peek() {
        if (in->pos == in->end && in_refill(*in) == 0) {
            if (in->error != 0) fatal_error("cannot read merge file %s", path.c_str());
            return -1;
        }
        return in->buf[in->pos];
    }
    int get() {
        int c = peek();
        if (c >= 0) {
            ++in->pos;
            if (c == '\n') ++line;
        }
        return c;
    }
    void skip_space() {
        for (int c = peek(); c >= 0 && std::isspace(c); c = peek()) get();
    }
    [[noreturn]] void bad() { fatal_error("bad record in merge file %s, line %d", path.c_str(), record_line); }

    int number() {
        skip_space();
        bool negative = false;
        int c = peek();
        if (c == '+' || c == '-') {
            negative = get() == '-';
            c = peek();
        }
        if (c < 0 || !std::isdigit(c)) bad();
        long long value = 0;
        while (c >= 0 && std::isdigit(c)) {
            value = value * 10 + (get() - '0');
            if (value > static_cast<long long>(INT_MAX) + 1) bad();
            c = peek();
        }
        if (negative) value = -value;
        if (value > INT_MAX) bad();
        return static_cast<int>(value);
    }
};

void merge(const std::string& merge_path, int fd) {
    static InStream in;
    if (fd < 0) fatal_error("cannot open %s for merge", merge_path.c_str());
    in_attach(in, fd);
    verbose_message("merging %s into new trace file", merge_path.c_str());

    MergeReader r{&in, merge_path};
    std::string category, text;
    const std::size_t text_limit = static_cast<std::size_t>(edition->merge_text_limit);
    int count = 0;
    for (;;) {
        r.skip_space();
        if (r.peek() < 0) break;
        r.record_line = r.line;
        int number = r.number();
        int macro = r.number();
        r.skip_space();
        category.clear();
        for (int c = r.peek(); c >= 0 && !std::isspace(c); c = r.peek()) {
            if (category.size() == 259) r.bad();
            category += static_cast<char>(r.get());
        }
        if (category.empty()) r.bad();
        r.skip_space();
        if (r.get() != '"') r.bad();
        text.clear();
        for (;;) {
            int c = r.get();
            // A text never holds a line end: one that runs into a line end
            // lacks its closing quote.
            if (c < 0 || c == '\n') r.bad();
            if (c == '"') break;
            if (text.size() == text_limit) r.bad();
            text += static_cast<char>(c);
        }
        out_printf(trace_point_stream, "%d %d %s \"%s\"\n", number, macro, category.c_str(), text.c_str());
        check_written();
        ++count;
    }
    in_close(in);
    next_number = total_count = count;
}

}  // namespace

void open_trace_point_file() {
    tp_full_path = resolve(settings.tp_fname);
    std::string merge_path;
    int merge_fd = -1;
    if (*settings.mfname != '\0') {
        merge_path = resolve(settings.mfname);
        // The merge file is opened before the trace point file is created:
        // a merge file that does not exist yet must not appear by then.
        merge_fd = open_read(merge_path);
        // Opening the trace point file empties it: a merge from the same
        // file would lose every record it holds.
        if (same_file(merge_path, tp_full_path))
            fatal_error("cannot merge %s into itself", merge_path.c_str());
    }
    int fd = open_truncate(tp_full_path);
    if (fd < 0) fatal_error("cannot open trace point file %s", tp_full_path.c_str());
    out_attach(trace_point_stream, fd);
    if (merge_path.empty()) {
        out_puts(trace_point_stream, "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n");
        next_number = total_count = 1;
        return;
    }
    merge(merge_path, merge_fd);
}

void write_trace_point_record(int number, int macro, std::string_view category, std::string_view format) {
    out_printf(trace_point_stream, "%d %d ", number, macro);
    out_write(trace_point_stream, category.data(), category.size());
    out_put(trace_point_stream, ' ');
    out_write(trace_point_stream, format.data(), format.size());
    out_put(trace_point_stream, '\n');
    check_written();
}

void flush_trace_point_file() {
    if (!out_flush(trace_point_stream)) check_written();
}

void close_trace_point_file() {
    if (!out_close(trace_point_stream)) fatal_error("cannot write trace point file %s", tp_full_path.c_str());
}

}  // namespace kolvi
