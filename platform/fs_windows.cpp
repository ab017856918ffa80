// Windows side of the file services. Descriptors are C runtime descriptors
// over Win32 handles; all reading and writing goes through the handles.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include "platform/fs.h"
#include "platform/io.h"
#include "platform/win_io.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace kolvi {

namespace {

// Standard output carries the messages byte for byte: no CR before LF.
struct BinaryStandardOutput {
    BinaryStandardOutput() {
        ::_setmode(::_fileno(stdout), _O_BINARY);
        ::_setmode(::_fileno(stderr), _O_BINARY);
    }
} binary_standard_output;

}  // namespace

std::size_t path_limit() { return MAX_PATH - 1; }


bool full_path(const std::string& name, std::string& out) {
    // An empty name stands for the current folder, as on the other side.
    const char* text = name.empty() ? ".\\" : name.c_str();
    char buf[MAX_PATH];
    DWORD n = ::GetFullPathNameA(text, sizeof buf, buf, nullptr);
    if (n == 0 || n >= sizeof buf) {
        out = name;
        return false;
    }
    out.assign(buf, n);
    return out.size() <= path_limit();
}

static HANDLE open_for_query(const std::string& path) {
    // No access asked for: opens whatever the name is (folders too) and
    // never meets a sharing conflict.
    return ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

FileFacts find_file(const std::string& path) {
    FileFacts f;
    // A name is looked up as it is, never expanded as a pattern.
    if (path.find_first_of("*?") != std::string::npos) return f;
    DWORD attrs = ::GetFileAttributesA(path.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        f.exists = true;
        f.regular = (attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
        f.read_only = (attrs & FILE_ATTRIBUTE_READONLY) != 0;
        return f;
    }
    // A link (whose target counts), or a name the attributes do not
    // describe, such as a device: what opens exists, and it is a file only
    // when it is a file on a disk.
    HANDLE h = open_for_query(path);
    if (h == INVALID_HANDLE_VALUE) return f;
    BY_HANDLE_FILE_INFORMATION info;
    f.exists = true;
    if (::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info)) {
        f.regular = (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
        f.read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    }
    ::CloseHandle(h);
    return f;
}

// Volume and file index identify a file whatever name reaches it.
static bool identity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = open_for_query(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    return ok;
}

bool same_file(const std::string& a, const std::string& b) {
    if (_stricmp(a.c_str(), b.c_str()) == 0) return true;
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!identity(a, ia) || !identity(b, ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

bool make_writable(const std::string& path) { return ::_chmod(path.c_str(), _S_IREAD | _S_IWRITE) == 0; }

bool make_read_only(const std::string& path) { return ::_chmod(path.c_str(), _S_IREAD) == 0; }

static bool has_read_only_attribute(const std::string& path) {
    DWORD attrs = ::GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0;
}

bool remove_file(const std::string& path) {
    if (::DeleteFileA(path.c_str())) return true;
    // The system refuses to delete a read-only file; the name goes all the
    // same, as it does where the folder alone decides.
    if (::GetLastError() != ERROR_ACCESS_DENIED || !has_read_only_attribute(path)) return false;
    if (!make_writable(path)) return false;
    if (::DeleteFileA(path.c_str())) return true;
    make_read_only(path);
    return false;
}

bool rename_file(const std::string& from, const std::string& to) {
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (::MoveFileExA(from.c_str(), to.c_str(), flags)) return true;
    // The system refuses to replace a read-only file. Clear the attribute
    // for the one step, and put it back when the step still fails, so that
    // the old file stays exactly as it was.
    if (::GetLastError() != ERROR_ACCESS_DENIED || !has_read_only_attribute(to)) return false;
    if (!make_writable(to)) return false;
    if (::MoveFileExA(from.c_str(), to.c_str(), flags)) return true;
    DWORD error = ::GetLastError();
    make_read_only(to);
    ::SetLastError(error);
    return false;
}

void* handle_of(int fd) {
    if (fd < 0) return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

void set_errno_from_last_error() {
    switch (::GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        errno = EEXIST;
        break;
    case ERROR_TOO_MANY_OPEN_FILES:
        errno = EMFILE;
        break;
    default:
        errno = EIO;
        break;
    }
}

// A descriptor for a handle; the handle is closed when that fails.
static int descriptor_for(HANDLE h, int flags) {
    if (h == INVALID_HANDLE_VALUE) {
        set_errno_from_last_error();
        return -1;
    }
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) {
        ::CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

// Handles are never inherited: the command processor of the save copy
// sees none of the program's files.
// A folder opens too (as it does elsewhere), and then fails to be read.
int open_read(const std::string& path) {
    return descriptor_for(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr),
                          _O_RDONLY);
}

int open_truncate(const std::string& path) {
    return descriptor_for(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr),
                          0);
}

int create_exclusive(const std::string& path) {
    return descriptor_for(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr),
                          0);
}

bool close_file(int fd) { return ::_close(fd) == 0; }

int dup_file(int fd) {
    // A file object of its own, so that the new descriptor reads from the
    // start whatever the first one does (a duplicated handle would share
    // its position).
    return descriptor_for(::ReOpenFile(handle_of(fd), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0),
                          _O_RDONLY);
}

long long file_size(int fd) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(handle_of(fd), &size)) return -1;
    return static_cast<long long>(size.QuadPart);
}

bool read_some(int fd, void* buf, std::size_t want, std::size_t& got) {
    DWORD n = 0;
    DWORD size = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want);
    got = 0;
    if (!::ReadFile(handle_of(fd), buf, size, &n, nullptr)) {
        if (::GetLastError() == ERROR_HANDLE_EOF || ::GetLastError() == ERROR_BROKEN_PIPE) return true;
        set_errno_from_last_error();
        return false;
    }
    got = n;
    return true;
}

bool read_at(int fd, void* buf, std::size_t want, long long offset, std::size_t& got) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset & 0xffffffffLL);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    DWORD size = want > (1u << 30) ? (1u << 30) : static_cast<DWORD>(want);
    got = 0;
    if (!::ReadFile(handle_of(fd), buf, size, &n, &at)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) return true;
        set_errno_from_last_error();
        return false;
    }
    got = n;
    return true;
}

bool write_all(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    HANDLE h = handle_of(fd);
    while (n > 0) {
        DWORD size = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
        DWORD k = 0;
        if (!::WriteFile(h, p, size, &k, nullptr)) {
            set_errno_from_last_error();
            return false;
        }
        if (k == 0) {
            errno = ENOSPC;
            return false;
        }
        p += k;
        n -= k;
    }
    return true;
}

bool copy_range(int from, long long offset, int to, long long count) {
    static char buf[1 << 16];
    while (count != 0) {
        std::size_t want = sizeof buf;
        if (count > 0 && static_cast<long long>(want) > count) want = static_cast<std::size_t>(count);
        std::size_t n = 0;
        if (!read_at(from, buf, want, offset, n)) return false;
        if (n == 0) return count < 0;  // the end, expected only when copying all
        if (!write_all(to, buf, n)) return false;
        offset += static_cast<long long>(n);
        if (count > 0) count -= static_cast<long long>(n);
    }
    return true;
}

bool copy_contents(int from, int to) { return copy_range(from, 0, to, -1); }

bool copy_permissions(int from, int to) {
    // The read-only attribute is the one permission a file carries here;
    // everything else comes from the folder the file is made in.
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handle_of(from), &info)) return false;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
    FILE_BASIC_INFO basic;
    if (!::GetFileInformationByHandleEx(handle_of(to), FileBasicInfo, &basic, sizeof basic)) return false;
    basic.FileAttributes = (basic.FileAttributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_READONLY;
    // Zero times leave the times as they are.
    basic.CreationTime.QuadPart = basic.LastAccessTime.QuadPart = 0;
    basic.LastWriteTime.QuadPart = basic.ChangeTime.QuadPart = 0;
    return ::SetFileInformationByHandle(handle_of(to), FileBasicInfo, &basic, sizeof basic) != 0;
}

static bool file_attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != 0;
}

bool copy_by_command_processor(const std::string& from, const std::string& to) {
    WIN32_FILE_ATTRIBUTE_DATA dest;
    if (file_attributes(to, dest)) {
        // A folder in the save file's place would receive the copy.
        if (dest.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
        // copy keeps a source's read-only attribute, and then cannot
        // replace that copy the next time.
        if ((dest.dwFileAttributes & FILE_ATTRIBUTE_READONLY) && !make_writable(to)) return false;
    }
    // The names reach the command processor through the environment and
    // stand quoted in the command. Delayed expansion puts them in after the
    // command has been read, so nothing in a name (blanks, &, ^, %, !) is
    // ever read as part of the command.
    if (!::SetEnvironmentVariableA("KOLVI_COPY_FROM", from.c_str()) ||
        !::SetEnvironmentVariableA("KOLVI_COPY_TO", to.c_str()))
        return false;
    char shell[MAX_PATH];
    UINT n = ::GetSystemDirectoryA(shell, MAX_PATH);
    if (n == 0 || n + sizeof "\\cmd.exe" > MAX_PATH) return false;
    std::strcat(shell, "\\cmd.exe");
    // /d: no AutoRun commands; /v:on: delayed expansion; /y: replace
    // without asking. The tool reports a failure itself.
    char command[] = "cmd.exe /d /v:on /c copy /b /y \"!KOLVI_COPY_FROM!\" \"!KOLVI_COPY_TO!\" >nul 2>&1";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool started = ::CreateProcessA(shell, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                    &startup, &process) != 0;
    ::SetEnvironmentVariableA("KOLVI_COPY_FROM", nullptr);
    ::SetEnvironmentVariableA("KOLVI_COPY_TO", nullptr);
    if (!started) return false;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    bool ok = ::GetExitCodeProcess(process.hProcess, &status) != 0 && status == 0;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    if (!ok) return false;
    // The copy is only a copy when it holds every byte.
    WIN32_FILE_ATTRIBUTE_DATA src;
    if (!file_attributes(from, src) || !file_attributes(to, dest)) return false;
    if (src.nFileSizeHigh != dest.nFileSizeHigh || src.nFileSizeLow != dest.nFileSizeLow) return false;
    // A save file is never read-only, whatever the source was.
    if ((dest.dwFileAttributes & FILE_ATTRIBUTE_READONLY) && !make_writable(to)) return false;
    return true;
}

}  // namespace kolvi
