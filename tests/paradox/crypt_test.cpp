#include "paradox/crypt.h"

#include "dumpformat.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace tw::paradox;

TEST(ParadoxCrypt, TheConstantTablesAreTranscribedExactly)
{
    EXPECT_EQ(dump::crc32(cryptTableA()), 0x311c2ce1U);
    EXPECT_EQ(dump::crc32(cryptTableB()), 0xba8feefaU);
    EXPECT_EQ(dump::crc32(cryptTableC()), 0x67f57abdU);
    EXPECT_EQ(std::set<int>(cryptTableB().begin(), cryptTableB().end()).size(), 256U);
    EXPECT_EQ(std::set<int>(cryptTableC().begin(), cryptTableC().end()).size(), 256U);
}

TEST(ParadoxCrypt, DecryptionUndoesEncryptionForAnyParameters)
{
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::array<std::uint8_t, kCryptChunk> plain{};
        for (auto &b : plain) {
            b = static_cast<std::uint8_t>(random());
        }
        const ChunkParameters p{static_cast<std::uint8_t>(random()),
                                static_cast<std::uint8_t>(random()),
                                static_cast<std::uint8_t>(random()),
                                static_cast<std::uint8_t>(random())};
        auto chunk = plain;
        encryptChunk(chunk, p);
        EXPECT_NE(chunk, plain);
        decryptChunk(chunk, p);
        EXPECT_EQ(chunk, plain);
    }
}

TEST(ParadoxCrypt, KnownChunksOfRealEncryptedFilesDecrypt)
{
    const auto corpus = tw::test::corpusFolder();
    if (corpus.empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    const std::uint32_t key = 0x0A25E09A;
    auto block = tw::test::readFile(corpus / "leonhad/encrypt/encrypted.db");
    std::span<std::uint8_t> first(block.data() + 0x800, 2048);
    decryptDataBlock(first, key, 1);
    const std::vector<std::uint8_t> start(first.begin(), first.begin() + 16);
    EXPECT_EQ(start,
              (std::vector<std::uint8_t>{0x00,
                                         0x00,
                                         0x00,
                                         0x00,
                                         0x66,
                                         0x00,
                                         0x80,
                                         0x00,
                                         0x00,
                                         0x01,
                                         0x56,
                                         0x61,
                                         0x6C,
                                         0x75,
                                         0x65,
                                         0x20}));
    // Past the four records every chunk is zeros: the chunk index is the s parameter.
    EXPECT_TRUE(
        std::all_of(first.begin() + 256, first.end(), [](std::uint8_t b) { return b == 0; }));

    auto mb = tw::test::readFile(corpus / "leonhad/encrypt/encryptedmemo.mb");
    std::span<std::uint8_t, kCryptChunk> head(mb.data(), kCryptChunk);
    decryptChunk(head, blobFileParameters(key));
    EXPECT_EQ(std::vector<std::uint8_t>(head.begin(), head.begin() + 16),
              (std::vector<std::uint8_t>{0x00,
                                         0x01,
                                         0x00,
                                         0x01,
                                         0x00,
                                         0x82,
                                         0x73,
                                         0x02,
                                         0x00,
                                         0x29,
                                         0x00,
                                         0x00,
                                         0x10,
                                         0x00,
                                         0x10,
                                         0x00}));
}
