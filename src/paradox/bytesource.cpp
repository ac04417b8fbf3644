#include "paradox/bytesource.h"

#include "paradox/error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::paradox {

FileSource::FileSource(const std::filesystem::path &path)
    : m_name(path.filename().string())
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        throw Error("Cannot open " + path.string() + ": " + std::strerror(errno));
    }

    struct stat info
    {};

    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        throw Error("Cannot read " + path.string() + ": " +
                    (S_ISDIR(info.st_mode) ? std::string("it is a folder")
                                           : std::string(std::strerror(error))));
    }
    m_size = static_cast<std::uint64_t>(info.st_size);
}

FileSource::~FileSource()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::size_t FileSource::read(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got =
            ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw Error("Cannot read " + m_name + " at byte " + std::to_string(offset + done) +
                        ": " + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t MemorySource::read(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    if (offset >= m_bytes.size()) {
        return 0;
    }
    const std::size_t count = std::min<std::uint64_t>(out.size(), m_bytes.size() - offset);
    std::memcpy(out.data(), m_bytes.data() + offset, count);
    return count;
}

} // namespace tw::paradox
