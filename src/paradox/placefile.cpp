#include "paradox/placefile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tw::paradox {

int placeFileByLink(const std::filesystem::path &from, const std::filesystem::path &to) noexcept
{
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

int placeFile(const std::filesystem::path &from, const std::filesystem::path &to) noexcept
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int error = errno;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        return placeFileByLink(from, to);
    }
    return error;
}

} // namespace tw::paradox
