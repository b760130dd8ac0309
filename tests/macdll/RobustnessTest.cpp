// Damaged and hostile files: a clear error, never a crash, an out-of-bounds read or wrong audio.
// These tests run under AddressSanitizer and UndefinedBehaviorSanitizer too.
#include "macdll/MACDll.h"
#include "tests/macdll/ApeTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace deraz::test {
namespace {

constexpr size_t HeaderEnd = 52 + 24; // descriptor and header of a file we write

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        // Three frames at level 2000 (stereo music): enough to damage one and keep the others.
        Pcm = ApeTestPcm(TApeSignal::Music, 2 * 73728 + 5000, 2, 16);
        ASSERT_EQ(EncodeApe(Dir.File("good.ape"), Pcm, 2000), 0);
        Good = ReadFileBytes(Dir.File("good.ape"));
    }

    // Decodes a damaged copy. Either opening fails with an error code, or every block that is
    // delivered is correct and a frame that cannot be decoded is reported.
    int DecodeDamaged(const std::vector<uint8_t>& Bytes) {
        WriteFileBytes(Dir.File("bad.ape"), Bytes);
        TPcm Decoded;
        const int Error = DecodeApe(Dir.File("bad.ape"), Decoded);
        const size_t Common = std::min(Decoded.Bytes.size(), Pcm.Bytes.size());
        EXPECT_TRUE(
            std::equal(Decoded.Bytes.begin(), Decoded.Bytes.begin() + long(Common), Pcm.Bytes.begin()))
            << "wrong audio delivered";
        if (Error == 0) {
            EXPECT_EQ(Decoded.Bytes.size(), Pcm.Bytes.size()) << "audio lost without an error";
        }
        return Error;
    }

    TTempDir Dir;
    TPcm Pcm;
    std::vector<uint8_t> Good;
};

TEST_F(Hostile, FlippedBitsInFramesAreReportedNotDelivered) {
    const size_t FrameStart = HeaderEnd + 3 * 4;
    std::mt19937 Random(7);
    int Reported = 0;
    for (int Trial = 0; Trial < 40; ++Trial) {
        std::vector<uint8_t> Bad = Good;
        const size_t At = FrameStart + Random() % (Bad.size() - FrameStart);
        Bad[At] ^= uint8_t(1u << (Random() % 8));
        const int Error = DecodeDamaged(Bad);
        if (Error) {
            EXPECT_TRUE(Error == ERROR_INVALID_CHECKSUM || Error == ERROR_DECOMPRESSING_FRAME) << Error;
            ++Reported;
        }
    }
    EXPECT_GT(Reported, 30); // only the padding bytes may be flipped harmlessly
}

TEST_F(Hostile, CutFilesFailCleanly) {
    for (size_t Length : {size_t(0), size_t(4), size_t(51), HeaderEnd, HeaderEnd + 7, Good.size() / 3,
                          Good.size() / 2, Good.size() - 5}) {
        const std::vector<uint8_t> Cut(Good.begin(), Good.begin() + long(Length));
        EXPECT_NE(DecodeDamaged(Cut), 0) << "length " << Length;
    }
    // Losing only the padding after the last frame loses no audio.
    DecodeDamaged(std::vector<uint8_t>(Good.begin(), Good.end() - 1));
}

TEST_F(Hostile, RandomBytesAfterAValidHeader) {
    std::mt19937 Random(11);
    for (int Trial = 0; Trial < 20; ++Trial) {
        std::vector<uint8_t> Bad = Good;
        for (size_t I = HeaderEnd + 12 + 44; I < Bad.size(); ++I) Bad[I] = uint8_t(Random());
        EXPECT_NE(DecodeDamaged(Bad), 0);
    }
}

TEST_F(Hostile, AbsurdHeaderFieldsAreRejected) {
    struct TField {
        size_t Offset;
        uint32_t Value;
        int Bytes;
    };
    const TField Fields[] = {
        {4, 3700, 2},                // version older than supported
        {4, 4100, 2},                // version from the future
        {8, 0xFFFFFFF0u, 4},         // descriptor length
        {12, 3, 4},                  // header length
        {16, 0, 4},                  // no seek table
        {16, 0xFFFFFFF0u, 4},        // seek table larger than the file
        {20, 0x7FFFFFF0u, 4},        // stored WAV header larger than allowed
        {52, 1500, 2},               // compression level
        {52, 9000, 2},               // compression level
        {56, 0, 4},                  // blocks per frame
        {56, 0xFFFFFFFFu, 4},        // blocks per frame
        {60, 0, 4},                  // final frame blocks
        {60, 2 * 73728, 4},          // final frame blocks above blocks per frame
        {64, 0xFFFFFFFFu, 4},        // total frames
        {68, 12, 2},                 // bits per sample
        {68, 32, 2},                 // bits per sample
        {70, 0, 2},                  // channels
        {70, 6, 2},                  // channels
        {72, 0, 4},                  // sample rate
        {HeaderEnd + 4, 0, 4},       // seek table going backwards
        {HeaderEnd + 4, 0xFFFFFF, 4} // seek entry past the end of the file
    };
    for (const TField& F : Fields) {
        std::vector<uint8_t> Bad = Good;
        for (int I = 0; I < F.Bytes; ++I) Bad[F.Offset + size_t(I)] = uint8_t(F.Value >> (8 * I));
        EXPECT_NE(DecodeDamaged(Bad), 0) << "offset " << F.Offset << " value " << F.Value;
    }
}

TEST_F(Hostile, NotAnApeFile) {
    WriteFileBytes(Dir.File("text.ape"), std::vector<uint8_t>(5000, 'x'));
    int Error = 0;
    EXPECT_EQ(c_APEDecompress_Create(Dir.File("text.ape").c_str(), &Error), nullptr);
    EXPECT_EQ(Error, ERROR_INVALID_INPUT_FILE);
    EXPECT_EQ(c_APEDecompress_Create(Dir.File("missing.ape").c_str(), &Error), nullptr);
    EXPECT_EQ(Error, ERROR_INVALID_INPUT_FILE);
    EXPECT_EQ(VerifyFile(Dir.File("text.ape").c_str(), nullptr, nullptr, nullptr), ERROR_INVALID_INPUT_FILE);
}

} // namespace
} // namespace deraz::test
