#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "codecs/wave/WaveConverter.h"
#include "tests/codecs/Mp3TestSupport.h"

namespace deraz::test {
namespace {

// A WAV file holding MPEG Layer-3, made by ffmpeg through LAME.
std::string Mp3InWav(const TTempDir& Dir, int32_t Channels, int32_t Rate, const std::string& Name) {
    std::string Pcm = Dir.File(Name + ".pcm.wav"), Wav = Dir.File(Name + ".wav");
    WritePcmWav(Pcm, MusicLikeSignal(Rate * 2, Channels, Rate, 41), Channels, Rate);
    EXPECT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + ShellQuote(Pcm) +
                         " -c:a libmp3lame -b:a 96k -f wav " + ShellQuote(Wav)),
              0);
    return Wav;
}

uint16_t Field16(const std::vector<uint8_t>& Bytes, size_t At) {
    return uint16_t(Bytes[At] | Bytes[At + 1] << 8);
}

std::vector<uint8_t> Chunk(const char* Id, std::vector<uint8_t> Body, uint32_t DeclaredSize = UINT32_MAX) {
    uint32_t Size = DeclaredSize == UINT32_MAX ? uint32_t(Body.size()) : DeclaredSize;
    std::vector<uint8_t> Out(Id, Id + 4);
    for (int Shift = 0; Shift < 32; Shift += 8) Out.push_back(uint8_t(Size >> Shift));
    Out.insert(Out.end(), Body.begin(), Body.end());
    return Out;
}

std::vector<uint8_t> Riff(std::initializer_list<std::vector<uint8_t>> Chunks) {
    std::vector<uint8_t> Out{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& C : Chunks) Out.insert(Out.end(), C.begin(), C.end());
    return Out;
}

TWaveConverter Loaded(const TTempDir& Dir, const std::vector<uint8_t>& Bytes) {
    WriteFileBytes(Dir.File("load.wav"), Bytes);
    TFileStream File(Dir.File("load.wav"), TFileOpenMode::ReadOnly);
    TWaveConverter Converter;
    Converter.LoadWave(File);
    return Converter;
}

TEST(WaveConverter, MpegLayer3InWavBecomesThePcmFfmpegDecodes) {
    TTempDir Dir;
    for (int32_t Channels : {1, 2}) {
        SCOPED_TRACE(Channels);
        std::string Wav = Mp3InWav(Dir, Channels, 44100, "mp3_" + std::to_string(Channels));
        TFileStream File(Wav, TFileOpenMode::ReadOnly);
        auto Pcm = TWaveConverter::ToPcmWave(File);
        ASSERT_TRUE(Pcm.has_value());
        ASSERT_GT(Pcm->size(), 44u);
        EXPECT_EQ(std::memcmp(Pcm->data(), "RIFF", 4), 0);
        EXPECT_EQ(Field16(*Pcm, 20), 1);
        EXPECT_EQ(Field16(*Pcm, 22), Channels);
        EXPECT_EQ(Field16(*Pcm, 34), 16);
        WriteFileBytes(Dir.File("pcm.wav"), *Pcm);
        auto Ours = BytesToSamples(DecodeWithFfmpeg(Dir.File("pcm.wav")));
        auto Reference = BytesToSamples(DecodeWithFfmpeg(Wav));
        EXPECT_EQ(Ours.size(), Reference.size());
        EXPECT_GT(SignalToNoiseDb(Reference, Ours), 60.0);
    }
}

TEST(WaveConverter, LoadWaveTakesFormatAndDataWhereverTheyAre) {
    TTempDir Dir;
    std::vector<uint8_t> Format30(30);
    for (size_t I = 0; I < Format30.size(); ++I) Format30[I] = uint8_t(I + 1);
    std::vector<uint8_t> Data{1, 2, 3, 4, 5, 6, 7, 8, 9};
    auto Plain = Loaded(Dir, Riff({Chunk("fmt ", Format30), Chunk("data", Data)}));
    EXPECT_EQ(std::memcmp(Plain.SourceFormat(), Format30.data(), 30), 0);
    EXPECT_EQ(Plain.Contents(), Data);
    auto WithFact =
        Loaded(Dir, Riff({Chunk("fmt ", Format30), Chunk("fact", {9, 9, 9, 9}), Chunk("data", Data)}));
    EXPECT_EQ(WithFact.Contents(), Data);
    EXPECT_EQ(std::memcmp(WithFact.SourceFormat(), Format30.data(), 30), 0);

    // A short format record fills the first 18 bytes; an empty data chunk loads nothing.
    auto Short = Loaded(Dir, Riff({Chunk("fmt ", {0x55, 0, 2, 0}), Chunk("data", {})}));
    EXPECT_EQ(Short.SourceFormat()->wFormatTag, 0x55);
    EXPECT_EQ(Short.SourceFormat()->nSamplesPerSec, 0u);
    EXPECT_TRUE(Short.Contents().empty());

    // A data size beyond the end of the file takes what is there.
    auto Cut = Loaded(Dir, Riff({Chunk("fmt ", Format30), Chunk("data", Data, 1u << 30)}));
    EXPECT_EQ(Cut.Contents(), Data);

    // The chunks are read as the WAV source reads them: IDs in either case, an odd-sized chunk
    // before "data" padded or not.
    auto Lower =
        Loaded(Dir, {'r', 'i', 'f', 'f', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'd', 'a', 't', 'a', 1, 0, 0, 0, 7});
    EXPECT_EQ(Lower.Contents(), std::vector<uint8_t>{7});
    for (bool Padded : {true, false}) {
        auto Odd = Chunk("LIST", {1, 2, 3});
        if (Padded) Odd.push_back(0);
        EXPECT_EQ(Loaded(Dir, Riff({Chunk("fmt ", Format30), Odd, Chunk("data", Data)})).Contents(), Data);
    }
}

TEST(WaveConverter, FailuresComeBackAsResults) {
    TTempDir Dir;
    WAVEFORMATEX Source{WAVE_FORMAT_MPEGLAYER3, 2, 44100, 16000, 1, 0, 12};
    WAVEFORMATEX Dest{};
    Dest.wFormatTag = 2;
    EXPECT_NE(acmFormatSuggest(nullptr, &Source, &Dest, sizeof Dest, ACM_FORMATSUGGESTF_WFORMATTAG), 0u);
    Dest.wFormatTag = WAVE_FORMAT_PCM;
    Source.wFormatTag = 0x1234;
    EXPECT_EQ(acmFormatSuggest(nullptr, &Source, &Dest, sizeof Dest, ACM_FORMATSUGGESTF_WFORMATTAG),
              ACMERR_NOTPOSSIBLE);

    // MPEG Layer-3 declared, garbage inside: the conversion fails.
    std::vector<uint8_t> Format{0x55, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x80, 0x3E, 0, 0, 1, 0, 0, 0, 12, 0};
    std::vector<uint8_t> Garbage(5000);
    for (size_t I = 0; I < Garbage.size(); ++I) Garbage[I] = uint8_t(I * 7 ^ I >> 3);
    WriteFileBytes(Dir.File("garbage.wav"), Riff({Chunk("fmt ", Format), Chunk("data", Garbage)}));
    TFileStream File(Dir.File("garbage.wav"), TFileOpenMode::ReadOnly);
    EXPECT_FALSE(TWaveConverter::ToPcmWave(File).has_value());
    WriteFileBytes(Dir.File("nothing.wav"), {'j', 'u', 'n', 'k'});
    TFileStream Junk(Dir.File("nothing.wav"), TFileOpenMode::ReadOnly);
    EXPECT_FALSE(TWaveConverter::ToPcmWave(Junk).has_value());
}

} // namespace
} // namespace deraz::test
