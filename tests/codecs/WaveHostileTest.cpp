// TWaveIn on headers and data no sane tool writes: it must neither crash nor read out of bounds,
// and files that would overflow its decoder open as not Valid and deliver nothing.
#include <gtest/gtest.h>

#include <random>

#include "tests/codecs/WaveTestFiles.h"

namespace deraz::test {
namespace {

// Standard Microsoft ADPCM coefficient pairs.
const std::vector<std::pair<int16_t, int16_t>> MsPairs{{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                                       {240, 0}, {460, -208}, {392, -232}};

// A "fmt " body for Microsoft ADPCM declaring Declared pairs and holding the given ones.
std::vector<uint8_t> MsFormat(uint16_t Channels, uint16_t BlockAlign, uint16_t SamplesPerBlock,
                              uint16_t Declared, const std::vector<std::pair<int16_t, int16_t>>& Pairs) {
    std::vector<uint16_t> Extension{uint16_t(4 + 4 * Pairs.size()), SamplesPerBlock, Declared};
    for (auto [First, Second] : Pairs) Extension.insert(Extension.end(), {uint16_t(First), uint16_t(Second)});
    return FormatBody(2, Channels, 22050, BlockAlign, 4, Extension);
}

std::vector<uint8_t> ImaFormat(uint16_t Channels, uint16_t BlockAlign) {
    return FormatBody(0x11, Channels, 22050, BlockAlign, 4,
                      {2, uint16_t(ima::FramesPerBlock(BlockAlign, Channels))});
}

// Blocks of Size bytes whose headers are all Header, followed by data of Fill.
std::vector<uint8_t> Blocks(int32_t Count, int32_t Size, const std::vector<uint8_t>& Header,
                            uint8_t Fill = 0x35) {
    std::vector<uint8_t> Data;
    for (int32_t I = 0; I < Count; ++I) {
        Data.insert(Data.end(), Header.begin(), Header.end());
        Data.insert(Data.end(), size_t(Size) - Header.size(), Fill);
    }
    return Data;
}

struct TOpened {
    bool Valid;
    size_t Bytes;
    std::string Error;
};

TOpened Open(const TTempDir& Dir, const TRiffImage& Image) {
    Image.Save(Dir.File("h.wav"));
    TWaveIn In;
    In.SetFileName(Dir.File("h.wav"));
    size_t Bytes = ReadAllData(In).size();
    return {In.Valid(), Bytes, In.DecodeError()};
}

const std::vector<uint8_t> ImaMonoHeader{0x10, 0x00, 20, 0};
const std::vector<uint8_t> MsMonoHeader{1, 0x40, 0x00, 0x10, 0x00, 0x20, 0x00};

TEST(WaveInHostile, SaneHandMadeFilesDecode) {
    TTempDir Dir;
    TOpened Ima = Open(Dir, TRiffImage()
                                .Chunk("fmt ", ImaFormat(1, 256))
                                .Chunk("fact", Le32(3 * 505))
                                .Chunk("data", Blocks(3, 256, ImaMonoHeader)));
    EXPECT_TRUE(Ima.Valid);
    EXPECT_EQ(Ima.Bytes, 3u * 505 * 2);
    TOpened Ms = Open(Dir, TRiffImage()
                               .Chunk("fmt ", MsFormat(1, 256, 500, 7, MsPairs))
                               .Chunk("fact", Le32(1000))
                               .Chunk("data", Blocks(2, 256, MsMonoHeader)));
    EXPECT_TRUE(Ms.Valid);
    EXPECT_EQ(Ms.Bytes, 2u * 500 * 2);
}

TEST(WaveInHostile, LayoutsBeyondTheDecoderAreRefused) {
    TTempDir Dir;
    std::vector<std::pair<std::string, TRiffImage>> Cases{
        {"33 coefficient pairs",
         TRiffImage()
             .Chunk("fmt ", MsFormat(1, 256, 500, 33, std::vector<std::pair<int16_t, int16_t>>(33, {256, 0})))
             .Chunk("fact", Le32(1000))
             .Chunk("data", Blocks(2, 256, MsMonoHeader))},
        {"predictor index 7 of 7", TRiffImage()
                                       .Chunk("fmt ", MsFormat(1, 256, 500, 7, MsPairs))
                                       .Chunk("fact", Le32(1000))
                                       .Chunk("data", Blocks(2, 256, {7, 0x40, 0, 0, 0, 0, 0}))},
        {"IMA step index 89", TRiffImage()
                                  .Chunk("fmt ", ImaFormat(1, 256))
                                  .Chunk("fact", Le32(505))
                                  .Chunk("data", Blocks(1, 256, {0, 0, 89, 0}))},
        {"IMA 3 channels", TRiffImage()
                               .Chunk("fmt ", FormatBody(0x11, 3, 22050, 768, 4, {2, 253}))
                               .Chunk("fact", Le32(253))
                               .Chunk("data", std::vector<uint8_t>(768))},
        {"MS 3 channels", TRiffImage()
                              .Chunk("fmt ", FormatBody(2, 3, 22050, 768, 4, {32, 200, 7}))
                              .Chunk("fact", Le32(200))
                              .Chunk("data", std::vector<uint8_t>(768))},
        {"IMA block beyond the buffer", TRiffImage()
                                            .Chunk("fmt ", ImaFormat(1, 4200))
                                            .Chunk("fact", Le32(8393))
                                            .Chunk("data", Blocks(1, 4200, ImaMonoHeader))},
        {"MS block beyond the buffer", TRiffImage()
                                           .Chunk("fmt ", MsFormat(2, 8300, 8200, 7, MsPairs))
                                           .Chunk("fact", Le32(8200))
                                           .Chunk("data", std::vector<uint8_t>(8300))},
        {"IMA block smaller than its header", TRiffImage()
                                                  .Chunk("fmt ", FormatBody(0x11, 1, 22050, 3, 4, {2, 1}))
                                                  .Chunk("fact", Le32(10))
                                                  .Chunk("data", std::vector<uint8_t>(30))},
        {"IMA stereo block of partial groups", TRiffImage()
                                                   .Chunk("fmt ", FormatBody(0x11, 2, 22050, 20, 4, {2, 13}))
                                                   .Chunk("fact", Le32(13))
                                                   .Chunk("data", std::vector<uint8_t>(40))},
        {"MS block smaller than its samples", TRiffImage()
                                                  .Chunk("fmt ", MsFormat(1, 100, 500, 7, MsPairs))
                                                  .Chunk("fact", Le32(500))
                                                  .Chunk("data", Blocks(2, 100, MsMonoHeader))},
        {"PCM of 0 channels",
         TRiffImage().Chunk("fmt ", FormatBody(1, 0, 8000, 0, 16)).Chunk("data", Le32(7))},
    };
    for (const auto& [Name, Image] : Cases) {
        TOpened Result = Open(Dir, Image);
        EXPECT_FALSE(Result.Valid) << Name;
        EXPECT_EQ(Result.Bytes, 0u) << Name;
        EXPECT_NE(Result.Error, "") << Name;
    }
}

TEST(WaveInHostile, CorruptBlockLaterEndsTheData) {
    TTempDir Dir;
    std::vector<uint8_t> Data = Blocks(2, 256, ImaMonoHeader);
    std::vector<uint8_t> Bad = Blocks(2, 256, {0, 0, 200, 0});
    Data.insert(Data.end(), Bad.begin(), Bad.end());
    TOpened Result = Open(
        Dir, TRiffImage().Chunk("fmt ", ImaFormat(1, 256)).Chunk("fact", Le32(4 * 505)).Chunk("data", Data));
    EXPECT_EQ(Result.Bytes, 2u * 505 * 2);
}

TEST(WaveInHostile, AbsurdSizesAreBounded) {
    TTempDir Dir;
    std::vector<uint8_t> Pcm(1000, 7);
    // A data size far beyond the file counts what the file holds.
    TRiffImage Huge;
    Huge.Chunk("fmt ", FormatBody(1, 1, 8000, 2, 16))
        .Raw({'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF})
        .Raw(Pcm);
    TOpened Result = Open(Dir, Huge);
    EXPECT_TRUE(Result.Valid);
    EXPECT_EQ(Result.Bytes, Pcm.size());
    // A chunk claiming gigabytes ends the walk.
    TRiffImage Claim;
    Claim.Raw({'f', 'm', 't', ' ', 0xF0, 0xFF, 0xFF, 0xFF})
        .Raw(FormatBody(1, 1, 8000, 2, 16))
        .Chunk("data", Pcm);
    EXPECT_EQ(Open(Dir, Claim).Bytes, 0u);
    // A fact sample length of 2^32 - 1 frames.
    TOpened Fact = Open(Dir, TRiffImage()
                                 .Chunk("fmt ", ImaFormat(2, 512))
                                 .Chunk("fact", Le32(0xFFFFFFFF))
                                 .Chunk("data", Blocks(2, 512, {0, 0, 5, 0, 0, 0, 5, 0})));
    EXPECT_EQ(Fact.Bytes, 2u * 505 * 4);
}

// Every prefix of real files, and random damage to them, opens and reads without fault
// (the sanitizer build checks every access).
TEST(WaveInHostile, TruncatedAndDamagedFilesReadSafely) {
    TTempDir Dir;
    std::vector<std::string> Files{MakeToolWav(Dir, "ima.wav", "sox", "-e ima-adpcm", 2, 8000, 1200),
                                   MakeToolWav(Dir, "ms.wav", "sox", "-e ms-adpcm", 1, 8000, 1200),
                                   MakeToolWav(Dir, "pcm.wav", "sox", "-b 16", 2, 8000, 100)};
    std::mt19937 Random(7);
    for (const std::string& File : Files) {
        std::vector<uint8_t> Bytes = ReadFileBytes(File);
        for (size_t Length = 0; Length < Bytes.size(); Length += Length < 200 ? 1 : 97) {
            WriteFileBytes(Dir.File("cut.wav"), std::vector<uint8_t>(Bytes.begin(), Bytes.begin() + Length));
            EXPECT_LE(WaveInData(Dir.File("cut.wav"), 777).size(), 4u * 2 * 1200 + 8192);
        }
        for (int Trial = 0; Trial < 200; ++Trial) {
            std::vector<uint8_t> Damaged = Bytes;
            for (int Hit = 0; Hit < 4; ++Hit)
                Damaged[Random() % std::min<size_t>(Damaged.size(), 120)] = uint8_t(Random());
            WriteFileBytes(Dir.File("damaged.wav"), Damaged);
            WaveInData(Dir.File("damaged.wav"));
        }
    }
}

} // namespace
} // namespace deraz::test
