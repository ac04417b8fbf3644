#pragma once

#include <string_view>

namespace tw {

// Writes every byte to `fd`, going on after an interrupted or short write. False on a
// failure, with errno saying why (ENOSPC for a write that took nothing).
bool writeAll(int fd, std::string_view bytes) noexcept;

// Copies the rest of `from` to `to`. False on a failure, with errno saying why.
bool copyAll(int from, int to) noexcept;

} // namespace tw
