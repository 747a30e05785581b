// The platform interface on POSIX systems.
#include "console/os.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace con::os {

std::intptr_t open_file(const char* system_name, Access access)
{
    int fd;
    do {
        if (access == Access::write)
            fd = ::open(system_name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        else
            fd = ::open(system_name, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    // A directory opens for reading here, but it is no file to read.
    struct stat st;
    if (access == Access::read && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return -1;
    }
    return fd;
}

long read_file(std::intptr_t handle, void* buffer, std::size_t size)
{
    ssize_t n;
    do
        n = ::read(static_cast<int>(handle), buffer, size);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long write_file(std::intptr_t handle, const void* buffer, std::size_t size)
{
    ssize_t n;
    do
        n = ::write(static_cast<int>(handle), buffer, size);
    while (n < 0 && errno == EINTR);
    if (n == 0) {
        errno = EIO;
        return -1;
    }
    return static_cast<long>(n);
}

int close_file(std::intptr_t handle) { return ::close(static_cast<int>(handle)); }

std::int64_t file_length(std::intptr_t handle)
{
    struct stat st;
    if (::fstat(static_cast<int>(handle), &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool is_terminal(std::intptr_t handle) { return ::isatty(static_cast<int>(handle)) == 1; }

std::intptr_t standard_handle(int which) { return which; }

bool to_system_path(const char* name, char* out, std::size_t out_size)
{
    std::size_t n = std::strlen(name);
    if (n >= out_size) {
        errno = ENAMETOOLONG;
        return false;
    }
    for (std::size_t i = 0; i <= n; i++)
        out[i] = name[i] == '\\' ? '/' : name[i];
    return true;
}

const char* error_text(int error)
{
    if (error == 0)
        return "No error";
    return std::strerror(error);
}

} // namespace con::os
