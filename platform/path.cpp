// Splitting a path into drive, directory, name and extension, and joining
// the parts again.
#include "platform/fs.h"

namespace kolvi {

#ifdef _WIN32
static bool is_separator(char c) { return c == '\\' || c == '/'; }
static std::size_t drive_length(const std::string& path) {
    bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter && path.size() >= 2 && path[1] == ':' ? 2 : 0;
}
#else
static bool is_separator(char c) { return c == '/'; }
static std::size_t drive_length(const std::string&) { return 0; }
#endif

PathParts split_path(const std::string& path) {
    PathParts p;
    const std::size_t start = drive_length(path);
    p.drive = path.substr(0, start);
    std::size_t base = start;
    for (std::size_t i = start; i < path.size(); ++i)
        if (is_separator(path[i])) base = i + 1;
    p.dir = path.substr(start, base - start);
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < base) {
        p.name = path.substr(base);
    } else {
        p.name = path.substr(base, dot - base);
        p.ext = path.substr(dot);
    }
    return p;
}

std::string make_path(const PathParts& parts, const char* ext) {
    std::string s = parts.drive + parts.dir + parts.name;
    if (ext != nullptr && *ext != '\0') {
        if (*ext != '.') s += '.';
        s += ext;
    }
    return s;
}

}  // namespace kolvi
