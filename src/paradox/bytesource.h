#pragma once

#include "core/folder.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tw::paradox {

// Random-access bytes of one file: a real file, or a buffer in memory (tests, fuzzing).
class ByteSource
{
public:
    virtual ~ByteSource() = default;

    virtual std::uint64_t size() const = 0;
    // Copies up to out.size() bytes from offset; returns how many were available.
    virtual std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
    // The name used in messages.
    virtual const std::string &name() const = 0;

    // False when part of the range is a hole of a sparse file: bytes its file only claims to
    // hold, which no program writing a table leaves.
    virtual bool holdsData(std::uint64_t offset, std::uint64_t length) const
    {
        return offset + length <= size();
    }

    ByteSource(const ByteSource &) = delete;
    ByteSource &operator=(const ByteSource &) = delete;

protected:
    ByteSource() = default;
};

// A regular file of a folder, never a link, a pipe or a device.
class FileSource final : public ByteSource
{
public:
    // Throws paradox::Error when the file cannot be opened or is no regular file.
    explicit FileSource(const std::filesystem::path &path);
    FileSource(const Folder &folder, const std::string &name);

    std::uint64_t size() const override { return m_size; }

    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    bool holdsData(std::uint64_t offset, std::uint64_t length) const override;

    const std::string &name() const override { return m_name; }

private:
    UniqueFd m_fd;
    std::uint64_t m_size = 0;
    std::string m_name;
};

class MemorySource final : public ByteSource
{
public:
    MemorySource(std::vector<std::uint8_t> bytes, std::string name)
        : m_bytes(std::move(bytes))
        , m_name(std::move(name))
    {}

    std::uint64_t size() const override { return m_bytes.size(); }

    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const override;

    const std::string &name() const override { return m_name; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::string m_name;
};

} // namespace tw::paradox
