#pragma once

#include "paradox/bytesource.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace tw::paradox {

// Password-protected tables are encrypted in 256-byte chunks with a fixed, position-dependent
// substitution; the key in the header is all it takes to undo it, no password needed.
inline constexpr std::size_t kCryptChunk = 256;

struct ChunkParameters
{
    std::uint8_t k0;
    std::uint8_t k1;
    std::uint8_t s;
    std::uint8_t t;
};

const std::array<std::uint8_t, 256> &cryptTableA();
const std::array<std::uint8_t, 256> &cryptTableB();
const std::array<std::uint8_t, 256> &cryptTableC();

void decryptChunk(std::span<std::uint8_t, kCryptChunk> chunk, const ChunkParameters &p);
// The inverse, for building test tables; the program never writes encrypted tables.
void encryptChunk(std::span<std::uint8_t, kCryptChunk> chunk, const ChunkParameters &p);

// Decrypts a whole .DB data block in place; blockNumber is its 1-based number.
void decryptDataBlock(std::span<std::uint8_t> block, std::uint32_t key, unsigned blockNumber);

// The parameters every chunk of an encrypted .MB uses.
ChunkParameters blobFileParameters(std::uint32_t key);

// An encrypted .MB seen through its decryption.
class DecryptingSource final : public ByteSource
{
public:
    DecryptingSource(std::shared_ptr<const ByteSource> inner, std::uint32_t key);

    std::uint64_t size() const override { return m_inner->size(); }

    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const override;

    const std::string &name() const override { return m_inner->name(); }

    bool holdsData(std::uint64_t offset, std::uint64_t length) const override
    {
        return m_inner->holdsData(offset, length);
    }

private:
    std::shared_ptr<const ByteSource> m_inner;
    ChunkParameters m_parameters;
};

} // namespace tw::paradox
