// The sum made on its own thread: published digests, and any split of the bytes into pieces
// (more pieces than the thread holds at once) summing like the bytes in one piece.
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "codecs/wavpack/BackgroundMd5.h"

namespace deraz {
namespace {

std::string Hex(const std::array<uint8_t, 16>& Digest) {
    std::string Text;
    for (uint8_t Byte : Digest) Text += "0123456789abcdef"[Byte >> 4], Text += "0123456789abcdef"[Byte & 15];
    return Text;
}

TEST(BackgroundMd5, SumsLikeOnePieceWhateverThePiecesAndStartsAgainAfterReset) {
    TBackgroundMd5 Sum;
    EXPECT_EQ(Hex(Sum.Final()), "d41d8cd98f00b204e9800998ecf8427e");
    const std::string Fox = "The quick brown fox jumps over the lazy dog";
    Sum.Reset();
    Sum.Update(reinterpret_cast<const uint8_t*>(Fox.data()), 10);
    Sum.Update(reinterpret_cast<const uint8_t*>(Fox.data()) + 10, Fox.size() - 10);
    EXPECT_EQ(Hex(Sum.Final()), "9e107d9d372bb6826bd81d3542a419d6");

    std::mt19937 Random(7);
    std::vector<uint8_t> Bytes(1 << 20);
    for (auto& Byte : Bytes) Byte = uint8_t(Random());
    ape::TMd5 Whole;
    Whole.Update(Bytes.data(), Bytes.size());
    const auto Expected = Whole.Final();
    for (int Round = 0; Round < 3; ++Round) {
        Sum.Reset();
        for (size_t At = 0; At < Bytes.size();) {
            size_t Piece = std::min(Bytes.size() - At, size_t(Random() % 9000));
            Sum.Update(Bytes.data() + At, Piece);
            At += Piece;
        }
        EXPECT_EQ(Sum.Final(), Expected) << Round;
    }
}

} // namespace
} // namespace deraz
