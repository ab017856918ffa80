#include "files/source_file.h"

#include "cli/settings.h"
#include "convert/trace_point_file.h"
#include "platform/fs.h"
#include "report/messages.h"
#include "scan/scanner.h"

namespace kolvi {

namespace {

int reference_fd = -1;  // the source, kept open to compare and to copy its permissions

void check_length(const std::string& path) {
    if (path.size() > path_limit()) fatal_error("path %s is too long", path.c_str());
}

void make_save_copy(const std::string& full, const std::string& save) {
    // A save path that leads to the source itself (a link made by hand)
    // would change or empty the source before it is copied.
    if (same_file(save, full)) fatal_error("could not make a backup copy of %s", full.c_str());
    // The source is opened first: a source that cannot be read must not
    // cost the save copy an earlier run left.
    int src = open_read(full);
    if (src < 0) fatal_error("cannot open source file \"%s\"", full.c_str());
    FileFacts old = find_file(save);
    if (old.exists && old.read_only) {
        if (!make_writable(save)) fatal_error("cannot make %s writeable", save.c_str());
        if (!remove_file(save)) fatal_error("cannot remove save file %s", save.c_str());
    }
    int save_fd = open_truncate(save);
    if (save_fd < 0) {
        close_file(src);
        fatal_error("could not make a backup copy of %s", full.c_str());
    }
    bool copied = copy_contents(src, save_fd);
    copied = close_file(save_fd) && copied;
    if (!copied) {
        // A save copy that is not complete is no save copy.
        close_file(src);
        remove_file(save);
        fatal_error("could not make a backup copy of %s", full.c_str());
    }
    reference_fd = src;
}

}  // namespace

void prepare_source(const std::string& full, bool read_only) {
    (void)read_only;
    PathParts parts = split_path(full);
    verbose_message("processing %s", full.c_str());
    verbose_message("backing up to %s.sav ", full.c_str());
    std::string save = full + ".sav";
    check_length(save);
    reference_fd = -1;
    if (edition->make_save_copy != nullptr) edition->make_save_copy(full.c_str(), save.c_str());
    else make_save_copy(full, save);

    std::string temp = make_path(parts, "tmp");
    check_length(temp);
    // Never truncate a file of somebody else's: the temporary file must be new.
    int temp_fd = create_exclusive(temp);
    if (temp_fd < 0) {
        if (reference_fd >= 0) close_file(reference_fd);
        fatal_error("cannot open temporary file %s", temp.c_str());
    }
    temp_path = temp;
    out_attach(output_stream, temp_fd);
    if (reference_fd < 0) {
        reference_fd = open_read(full);
        if (reference_fd < 0) fatal_error("cannot open source file \"%s\"", full.c_str());
    }
    int scan_fd = dup_file(reference_fd);
    if (scan_fd < 0) fatal_error("cannot open source file \"%s\"", full.c_str());
    out_compare_with(output_stream, reference_fd, file_size(reference_fd));
    in_attach(source_stream, scan_fd);
    start_source();
}

void replace_source(const std::string& full, bool read_only) {
    // Checked before the comparison ends, so that a temporary file left
    // behind by this error holds the whole text, unchanged or not.
    if (read_only && !settings.modro) fatal_error("cannot delete original file %s", full.c_str());
    const bool unchanged = out_finish_compare(output_stream);
    if (!unchanged && !copy_permissions(reference_fd, output_stream.fd)) {
        if (read_only) fatal_error("cannot make %s readonly", full.c_str());
        fatal_error("cannot set the permissions of %s", temp_path.c_str());
    }
    if (!out_close(output_stream)) fatal_error("cannot write temporary file %s", temp_path.c_str());
    close_file(reference_fd);
    reference_fd = -1;
    // The numbers in the rewritten text must have their records on disk
    // before the text takes the source's place.
    flush_trace_point_file();

    if (read_only) verbose_message("overriding read only file attribute");
    if (unchanged) {
        remove_file(temp_path);
    } else if (!rename_file(temp_path, full)) {
        fatal_error("cannot rename %s as %s", temp_path.c_str(), full.c_str());
    }
    temp_path.clear();
}

}  // namespace kolvi
