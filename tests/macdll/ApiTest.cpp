// The C interface as the pipeline components use it: seeking, information fields, error codes,
// the seek table of streams of unknown length, and independent handles on several threads.
#include "macdll/MACDll.h"
#include "tests/macdll/ApeTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

namespace deraz::test {
namespace {

using THandle = std::unique_ptr<void, void (*)(void*)>;

THandle OpenApe(const std::string& File) {
    int Error = 0;
    THandle Handle(c_APEDecompress_Create(File.c_str(), &Error), c_APEDecompress_Destroy);
    EXPECT_EQ(Error, 0);
    return Handle;
}

uint32_t SeekTableBytes(const std::string& File) {
    const std::vector<uint8_t> Bytes = ReadFileBytes(File);
    uint32_t Value = 0;
    std::memcpy(&Value, Bytes.data() + 16, 4);
    return Value;
}

TEST(DecompressApi, SeekingToAnyBlockGivesTheSameAudio) {
    TTempDir Dir;
    const TPcm Pcm = ApeTestPcm(TApeSignal::Music, 2 * 73728 + 777, 2, 16);
    ASSERT_EQ(EncodeApe(Dir.File("a.ape"), Pcm, 2000), 0);
    THandle H = OpenApe(Dir.File("a.ape"));
    ASSERT_TRUE(H);
    const int Align = Pcm.BlockAlign();
    std::vector<char> Buffer(1000 * size_t(Align));
    for (int Block : {0, 1, 73727, 73728, 100000, 2 * 73728 + 776, 5}) {
        ASSERT_EQ(c_APEDecompress_Seek(H.get(), Block), 0);
        EXPECT_EQ(c_APEDecompress_GetInfo(H.get(), APE_DECOMPRESS_CURRENT_BLOCK, 0, 0), Block);
        int Retrieved = 0;
        ASSERT_EQ(c_APEDecompress_GetData(H.get(), Buffer.data(), 1000, &Retrieved), 0);
        ASSERT_EQ(Retrieved, std::min<int>(1000, int(Pcm.Blocks()) - Block));
        EXPECT_EQ(
            std::memcmp(Buffer.data(), Pcm.Bytes.data() + size_t(Block) * Align, size_t(Retrieved) * Align),
            0)
            << "block " << Block;
    }
    // The end: zero blocks and no error; a seek outside the file is refused.
    ASSERT_EQ(c_APEDecompress_Seek(H.get(), int(Pcm.Blocks())), 0);
    int Retrieved = -1;
    EXPECT_EQ(c_APEDecompress_GetData(H.get(), Buffer.data(), 1000, &Retrieved), 0);
    EXPECT_EQ(Retrieved, 0);
    EXPECT_EQ(c_APEDecompress_Seek(H.get(), int(Pcm.Blocks()) + 1), ERROR_INVALID_FUNCTION_PARAMETER);
    EXPECT_EQ(c_APEDecompress_Seek(H.get(), -1), ERROR_INVALID_FUNCTION_PARAMETER);
}

TEST(DecompressApi, InformationFields) {
    TTempDir Dir;
    const TPcm Pcm = ApeTestPcm(TApeSignal::Music, 44100 * 2 + 10, 1, 24);
    ASSERT_EQ(EncodeApe(Dir.File("a.ape"), Pcm, 3000), 0);
    THandle H = OpenApe(Dir.File("a.ape"));
    ASSERT_TRUE(H);
    auto Info = [&](int Field) { return c_APEDecompress_GetInfo(H.get(), Field, 0, 0); };
    EXPECT_EQ(Info(APE_INFO_FILE_VERSION), 3990);
    EXPECT_EQ(Info(APE_INFO_COMPRESSION_LEVEL), 3000);
    EXPECT_EQ(Info(APE_INFO_SAMPLE_RATE), 44100);
    EXPECT_EQ(Info(APE_INFO_BITS_PER_SAMPLE), 24);
    EXPECT_EQ(Info(APE_INFO_CHANNELS), 1);
    EXPECT_EQ(Info(APE_INFO_BLOCK_ALIGN), 3);
    EXPECT_EQ(Info(APE_INFO_TOTAL_BLOCKS), Pcm.Blocks());
    EXPECT_EQ(Info(APE_INFO_WAV_DATA_BYTES), int64_t(Pcm.Bytes.size()));
    // No header was stored: the decoded WAV image gets a 44-byte one.
    EXPECT_EQ(Info(APE_INFO_WAV_HEADER_BYTES), 44);
    EXPECT_EQ(Info(APE_INFO_WAV_TOTAL_BYTES), int64_t(Pcm.Bytes.size()) + 44);
    EXPECT_EQ(Info(APE_DECOMPRESS_LENGTH_MS), 2000);
    WAVEFORMATEX Format{};
    EXPECT_EQ(c_APEDecompress_GetInfo(H.get(), APE_INFO_WAVEFORMATEX, int64_t(&Format), 0), 0);
    EXPECT_EQ(Format.nBlockAlign, 3);
    EXPECT_EQ(Format.nAvgBytesPerSec, 3u * 44100);
    EXPECT_EQ(Info(9999), ERROR_INVALID_FUNCTION_PARAMETER);
}

TEST(DecompressApi, LeadingId3v2AndTrailingTagsAreSkipped) {
    TTempDir Dir;
    const TPcm Pcm = ApeTestPcm(TApeSignal::Music, 5000, 2, 16);
    ASSERT_EQ(EncodeApe(Dir.File("a.ape"), Pcm, 2000), 0);
    std::vector<uint8_t> Tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    Tagged.resize(Tagged.size() + 20 + 5, 0); // the tag's body, then zero padding
    const std::vector<uint8_t> Ape = ReadFileBytes(Dir.File("a.ape"));
    Tagged.insert(Tagged.end(), Ape.begin(), Ape.end());
    const std::string Item = std::string("\x05\0\0\0\0\0\0\0Title\0", 14) + "hello";
    Tagged.insert(Tagged.end(), Item.begin(), Item.end());
    const uint32_t Footer[] = {2000, uint32_t(Item.size() + 32), 1, 0x40000000u, 0, 0};
    Tagged.insert(Tagged.end(), {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X'});
    Tagged.insert(Tagged.end(), reinterpret_cast<const uint8_t*>(Footer),
                  reinterpret_cast<const uint8_t*>(Footer + 6));
    Tagged.resize(Tagged.size() + 128, 0); // and an ID3v1 tag
    std::memcpy(&Tagged[Tagged.size() - 128], "TAG", 3);
    WriteFileBytes(Dir.File("tagged.ape"), Tagged);
    TPcm Decoded;
    ASSERT_EQ(DecodeApe(Dir.File("tagged.ape"), Decoded), 0);
    EXPECT_EQ(Decoded.Bytes, Pcm.Bytes);
    ID3_TAG Tag;
    EXPECT_EQ(GetID3Tag(Dir.File("tagged.ape").c_str(), &Tag), 0);
    EXPECT_EQ(GetID3Tag(Dir.File("a.ape").c_str(), &Tag), ERROR_UNDEFINED);
}

TEST(CompressApi, UnknownLengthGetsAnExactSeekTable) {
    TTempDir Dir;
    const TPcm Pcm = ApeTestPcm(TApeSignal::Music, 3 * 73728 + 1, 2, 16);
    ASSERT_EQ(EncodeApe(Dir.File("unknown.ape"), Pcm, 1000, -1), 0);
    EXPECT_EQ(SeekTableBytes(Dir.File("unknown.ape")), 4u * 4);
    // A generous upper bound reserves its table, as the reference encoder does.
    ASSERT_EQ(EncodeApe(Dir.File("bound.ape"), Pcm, 1000, 10 * 73728 * 4), 0);
    EXPECT_EQ(SeekTableBytes(Dir.File("bound.ape")), 10u * 4);
    // A bound that proves too small: the table grows to fit.
    ASSERT_EQ(EncodeApe(Dir.File("small.ape"), Pcm, 1000, 73728 * 4), 0);
    EXPECT_EQ(SeekTableBytes(Dir.File("small.ape")), 4u * 4);
    for (const char* Name : {"unknown.ape", "bound.ape", "small.ape"}) {
        TPcm Decoded;
        ASSERT_EQ(DecodeApe(Dir.File(Name), Decoded), 0);
        EXPECT_EQ(Decoded.Bytes, Pcm.Bytes) << Name;
        if (ToolAvailable("ffmpeg")) {
            EXPECT_EQ(DecodeWithFfmpegChecked(Dir.File(Name), 16), Pcm.Bytes) << Name;
        }
    }
}

TEST(CompressApi, EmptyInputGivesAFileWithoutAudio) {
    TTempDir Dir;
    TPcm Empty;
    ASSERT_EQ(EncodeApe(Dir.File("empty.ape"), Empty, 2000), 0);
    TPcm Decoded;
    EXPECT_EQ(DecodeApe(Dir.File("empty.ape"), Decoded), 0);
    EXPECT_TRUE(Decoded.Bytes.empty());
}

TEST(CompressApi, UnsupportedFormatsAndMisuseAreRefused) {
    TTempDir Dir;
    int Error = -1;
    THandle H(c_APECompress_Create(&Error), c_APECompress_Destroy);
    ASSERT_EQ(Error, 0);
    WAVEFORMATEX Format;
    const std::string File = Dir.File("x.ape");
    FillWaveFormatEx(&Format, 44100, 16, 3);
    EXPECT_EQ(c_APECompress_Start(H.get(), File.c_str(), &Format, -1, 2000, nullptr, -1),
              ERROR_INPUT_FILE_UNSUPPORTED_CHANNEL_COUNT);
    FillWaveFormatEx(&Format, 44100, 12, 2);
    EXPECT_EQ(c_APECompress_Start(H.get(), File.c_str(), &Format, -1, 2000, nullptr, -1),
              ERROR_INPUT_FILE_UNSUPPORTED_BIT_DEPTH);
    FillWaveFormatEx(&Format, 44100, 16, 2);
    EXPECT_EQ(c_APECompress_Start(H.get(), File.c_str(), &Format, -1, 1500, nullptr, -1),
              ERROR_BAD_PARAMETER);
    EXPECT_EQ(c_APECompress_Start(H.get(), (Dir.File("no/such/dir") + "/x.ape").c_str(), &Format, -1, 2000,
                                  nullptr, -1),
              ERROR_INVALID_OUTPUT_FILE);
    int Available = -1;
    EXPECT_EQ(c_APECompress_LockBuffer(H.get(), &Available), nullptr);
    EXPECT_EQ(c_APECompress_UnlockBuffer(H.get(), 10, 1), ERROR_INVALID_FUNCTION_PARAMETER);
    // Started, a buffer overrun is refused and Kill removes the unfinished file.
    ASSERT_EQ(c_APECompress_Start(H.get(), File.c_str(), &Format, -1, 2000, nullptr, -1), 0);
    ASSERT_NE(c_APECompress_LockBuffer(H.get(), &Available), nullptr);
    EXPECT_EQ(c_APECompress_UnlockBuffer(H.get(), Available + 1, 1), ERROR_INVALID_FUNCTION_PARAMETER);
    EXPECT_EQ(c_APECompress_Kill(H.get()), 0);
    EXPECT_FALSE(std::filesystem::exists(File));
}

TEST(FileApi, InputIsNeverOverwritten) {
    TTempDir Dir;
    const TPcm Pcm = ApeTestPcm(TApeSignal::Music, 1000, 2, 16);
    std::vector<uint8_t> Wav = WavHeader(Pcm);
    Wav.insert(Wav.end(), Pcm.Bytes.begin(), Pcm.Bytes.end());
    WriteFileBytes(Dir.File("a.wav"), Wav);
    const std::string Same = Dir.File("a.wav"), Alias = Dir.File(".") + "/a.wav";
    EXPECT_EQ(CompressFile(Same.c_str(), Alias.c_str(), 2000, nullptr, nullptr, nullptr),
              ERROR_INVALID_OUTPUT_FILE);
    EXPECT_EQ(ReadFileBytes(Same), Wav);
    // A stop request ends the work and leaves no output.
    int Kill = 1, Percent = -1;
    EXPECT_EQ(CompressFile(Same.c_str(), Dir.File("b.ape").c_str(), 2000, &Percent, ProgressCallback, &Kill),
              ERROR_USER_STOPPED_PROCESSING);
    EXPECT_FALSE(std::filesystem::exists(Dir.File("b.ape")));
}

// Independent handles on several threads at once: no shared state (also run under ThreadSanitizer).
TEST(Threads, IndependentHandlesInParallel) {
    TTempDir Dir;
    std::vector<std::thread> Threads;
    std::vector<int> Results(4, -1);
    for (int T = 0; T < 4; ++T) {
        Threads.emplace_back([&, T] {
            const TPcm Pcm = ApeTestPcm(TApeSignal::Music, 20000, 1 + T % 2, 16, uint32_t(T));
            const std::string File = Dir.File("t" + std::to_string(T) + ".ape");
            TPcm Decoded;
            Results[size_t(T)] = EncodeApe(File, Pcm, 1000 + 1000 * T);
            if (Results[size_t(T)] == 0) Results[size_t(T)] = DecodeApe(File, Decoded);
            if (Results[size_t(T)] == 0 && Decoded.Bytes != Pcm.Bytes) Results[size_t(T)] = -2;
        });
    }
    for (std::thread& Thread : Threads) Thread.join();
    EXPECT_EQ(Results, std::vector<int>(4, 0));
}

} // namespace
} // namespace deraz::test
