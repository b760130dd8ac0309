// The AIFF header walk and the 80-bit extended sample rate, on files built byte by byte.
#include "codecs/aiff/AiffHeader.h"

#include <gtest/gtest.h>

#include <string>

namespace deraz {
namespace {

TEST(AiffHeader, SampleRatesSurviveTheExtendedFormExactly) {
    const auto Bytes44100 = ExtendedFromInteger(44100);
    EXPECT_EQ(std::vector<uint8_t>(Bytes44100.begin(), Bytes44100.end()),
              (std::vector<uint8_t>{0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}));
    for (uint32_t Rate :
         {1u, 8000u, 11025u, 22050u, 44100u, 48000u, 88200u, 96000u, 176400u, 192000u, 0xFFFFFFFFu}) {
        const auto Bytes = ExtendedFromInteger(Rate);
        EXPECT_EQ(ExtendedToDouble(Bytes.data()), double(Rate)) << Rate;
    }
}

// A literal's bytes, zero bytes included.
template <size_t N> std::string Raw(const char (&Text)[N]) {
    return std::string(Text, N - 1);
}

// A file of a "FORM" header and the chunks given.
std::vector<uint8_t> Form(const std::string& Type, const std::string& Chunks) {
    std::string File = "FORM" + std::string(4, '\0') + Type + Chunks;
    const uint32_t Size = uint32_t(File.size() - 8);
    for (int I = 0; I < 4; ++I) File[size_t(4 + I)] = char(Size >> (24 - 8 * I));
    return {File.begin(), File.end()};
}

std::string Common(int Channels, int Bits, const std::string& Compression = "") {
    const auto Rate = ExtendedFromInteger(48000);
    std::string Body = {0, char(Channels), 0, 0, 0, 2, 0, char(Bits)};
    Body += std::string(Rate.begin(), Rate.end()) + Compression;
    std::string Size = {0, 0, 0, char(Body.size())};
    return "COMM" + Size + Body + std::string(Body.size() % 2, '\0');
}

TEST(AiffHeader, TheWalkTakesWhatItCanDeliverAndSaysWhyNot) {
    const std::string Sound = Raw("SSND\0\0\0\x0c\0\0\0\0\0\0\0\0abcd");
    // {case, file, encoding, error}
    struct {
        const char* Case;
        std::vector<uint8_t> File;
        TAiffEncoding Encoding;
        const char* Error;
    } Rows[] = {
        {"AIFF", Form("AIFF", Common(1, 16) + Sound), aeBigEndian, ""},
        {"sowt", Form("AIFC", Common(1, 16, Raw("sowt\0\0")) + Sound), aeLittleEndian, ""},
        {"fl64", Form("AIFC", Common(1, 0, Raw("fl64\0\0")) + Sound), aeFloat, ""},
        {"chunk before COMM", Form("AIFF", Raw("ANNO\0\0\0\x03xyz\0") + Common(1, 8) + Sound), aeBigEndian,
         ""},
        {"ulaw", Form("AIFC", Common(1, 16, Raw("ulaw\0\0")) + Sound), aeUnsupported,
         "AIFF-C compression \"ulaw\""},
        {"nine channels", Form("AIFF", Common(9, 16) + Sound), aeUnsupported, "9 channels"},
        {"no SSND", Form("AIFF", Common(1, 16)), aeUnsupported, "no \"SSND\" chunk"},
        {"short COMM", Form("AIFF", Raw("COMM\0\0\0\x04\0\x01\0\0") + Sound), aeUnsupported, "damaged"},
        {"RIFF", std::vector<uint8_t>(64, 'R'), aeUnsupported, "no AIFF file"},
    };
    for (auto& Row : Rows) {
        SCOPED_TRACE(Row.Case);
        TMemoryWaveSource Source(Row.File);
        const TAiffHeader Header = WalkAiffHeader(Source);
        EXPECT_EQ(Header.Encoding, Row.Encoding);
        EXPECT_NE(Header.Error.find(Row.Error), std::string::npos) << Header.Error;
        if (Row.Encoding != aeUnsupported) {
            EXPECT_EQ(Header.SampleRate, 48000.0);
            EXPECT_EQ(Header.DataSize, 4);
            EXPECT_EQ(Source.Size() - Header.DataOffset, 4);
        }
    }
}

} // namespace
} // namespace deraz
