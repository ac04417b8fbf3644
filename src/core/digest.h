#pragma once

// A 64-bit FNV-1a digest of bytes and its hexadecimal text: for names derived from other
// names and for comparing values without keeping them. Not a defence against a forger.

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

inline constexpr std::uint64_t kFnvOffset = 1469598103934665603ULL;

// The digest of `bytes`, continuing one that stands at `hash`.
std::uint64_t fnv1a(std::string_view bytes, std::uint64_t hash = kFnvOffset);

// `value`'s last `digits` hexadecimal digits, in lower case, with leading zeros.
std::string hexDigits(std::uint64_t value, int digits);

// Each byte as two lower-case hexadecimal digits.
std::string hexOfBytes(std::string_view bytes);

} // namespace tw
