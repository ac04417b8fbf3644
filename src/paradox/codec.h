#pragma once

#include "core/value.h"
#include "paradox/codepage.h"
#include "paradox/format.h"

#include <cstdint>
#include <span>
#include <string>

namespace tw::paradox {

// Record encodings of the fixed-size field types. All-zero bytes are Null (blank).

// Decodes a non-blob field. Throws paradox::Error (without file context) for bytes no
// valid value has.
db::Value decodeField(const Field &field, std::span<const std::uint8_t> raw, const CodePage &cp);

// Encodes a non-blob value into `out` (field.recordBytes long, zero for Null). Returns an
// empty text on success, otherwise why the field cannot hold the value exactly.
std::string encodeField(const Field &field,
                        const db::Value &value,
                        const CodePage &cp,
                        std::span<std::uint8_t> out);

// Exact BCD text of the 17 bytes with the given decimals; empty for Null.
std::string decodeBcd(std::span<const std::uint8_t> raw, int decimals);

std::uint16_t readLe16(const std::uint8_t *p);
std::uint32_t readLe32(const std::uint8_t *p);
void writeLe16(std::uint8_t *p, std::uint16_t v);
void writeLe32(std::uint8_t *p, std::uint32_t v);

} // namespace tw::paradox
