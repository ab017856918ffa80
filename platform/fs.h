// The file services the tool needs from the operating system, in one place so
// that the rest of the code never calls the platform directly.
#pragma once

#include <string>

namespace kolvi {

// Resolves `name` against the current directory, textually: the file need
// not exist. Empty segments and "." segments are dropped; ".." is kept, since
// on this platform it may pass through a symbolic link. Returns false when
// the result would not fit the platform's path limit.
bool full_path(const std::string& name, std::string& out);

// What the existence check of a source learns about it.
struct FileFacts {
    bool exists = false;
    bool regular = false;    // a regular file (after following links)
    bool read_only = false;  // the owner may not write it
};
FileFacts find_file(const std::string& path);

// Splits a path into drive, directory (with its trailing separator), name
// and extension (with its leading dot), and joins them again.
struct PathParts {
    std::string drive, dir, name, ext;
};
PathParts split_path(const std::string& path);
std::string make_path(const PathParts& parts, const char* ext);

// The longest path the platform accepts.
std::size_t path_limit();

bool same_file(const std::string& a, const std::string& b);

// Makes the file writable for its owner, or read-only for everybody.
bool make_writable(const std::string& path);
bool make_read_only(const std::string& path);

bool remove_file(const std::string& path);
bool rename_file(const std::string& from, const std::string& to);

// Opening descriptors. All of them are closed on exec.
int open_read(const std::string& path);
int open_truncate(const std::string& path);   // create or empty, for writing
int create_exclusive(const std::string& path);  // fails if the name exists
bool close_file(int fd);
int dup_file(int fd);  // a second descriptor on the same open file

// Copies the whole of `from` (read from offset 0) to the end of `to`.
// False when a read or a write failed.
bool copy_contents(int from, int to);

// Copies `count` bytes of `from`, starting at `offset`, to the end of `to`.
bool copy_range(int from, long long offset, int to, long long count);

// The size of an open file, or -1.
long long file_size(int fd);

// Gives the file behind `to` the permission bits of the file behind `from`,
// and its owner and group where the process may set them.
bool copy_permissions(int from, int to);

// Runs the platform's copy command through the command processor and waits
// for it; true when the copy succeeded.
bool copy_by_command_processor(const std::string& from, const std::string& to);

}  // namespace kolvi
