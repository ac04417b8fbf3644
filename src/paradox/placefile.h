#pragma once

#include <filesystem>

namespace tw::paradox {

// Moves a finished file to its name in the same folder, never replacing a file already
// there. Uses renameat2(RENAME_NOREPLACE) and, on file systems without it (network shares,
// some FUSE mounts), a hard link followed by removing the old name, which refuses an
// existing target just as well. Returns 0, or the errno of the failure (EEXIST when the name
// is taken).
int placeFile(const std::filesystem::path &from, const std::filesystem::path &to) noexcept;

// The fallback alone, for file systems that refuse renameat2's flag.
int placeFileByLink(const std::filesystem::path &from, const std::filesystem::path &to) noexcept;

} // namespace tw::paradox
