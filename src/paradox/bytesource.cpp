#include "paradox/bytesource.h"

#include "paradox/error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tw::paradox {

FileSource::FileSource(const std::filesystem::path &path)
    : FileSource(
          [&] {
              try {
                  return Folder::of(path);
              } catch (const std::system_error &e) {
                  throw Error("Cannot open " + path.string() + ": " + e.code().message());
              }
          }(),
          path.filename().string())
{}

FileSource::FileSource(const Folder &folder, const std::string &name)
    : m_name(name)
{
    try {
        m_fd = folder.openRegular(name, O_RDONLY);
    } catch (const std::system_error &e) {
        throw Error("Cannot open " + folder.pathOf(name).string() + ": " +
                    (e.code().value() == ENOENT ? e.code().message() : std::string(e.what())));
    }

    struct stat info
    {};

    if (::fstat(m_fd.get(), &info) != 0) {
        throw Error("Cannot read " + folder.pathOf(name).string() + ": " + std::strerror(errno));
    }
    m_size = static_cast<std::uint64_t>(info.st_size);
}

bool FileSource::holdsData(std::uint64_t offset, std::uint64_t length) const
{
    if (offset + length > m_size) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    // The first hole at or after the range's start; a file system that keeps no holes
    // answers the end of the file.
    const off_t hole = ::lseek(m_fd.get(), static_cast<off_t>(offset), SEEK_HOLE);
    return hole < 0 || static_cast<std::uint64_t>(hole) >= offset + length;
}

std::size_t FileSource::read(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::pread(
            m_fd.get(), out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
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
