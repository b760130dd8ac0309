// Every file source cuts StartSample..EndSample exactly, reports the size of what it will deliver,
// loops over the range without end, and refuses GetData outside a read. Each source reads a file
// of music written by an independent encoder, and must deliver what that encoder's decoder gives.
#include <gtest/gtest.h>

#include "codecs/ape/ACS_MAC.h"
#include "codecs/ape/MACLibrary.h"
#include "codecs/flac/ACS_FLAC.h"
#include "codecs/mp3/ACS_MAD.h"
#include "codecs/vorbis/ACS_Vorbis.h"
#include "codecs/wave/ACS_Wave.h"
#include "tests/codecs/CodecTestDoubles.h"
#include "tests/codecs/Mp3TestSupport.h"
#include "tests/codecs/VorbisTestSupport.h"

namespace deraz::test {
namespace {

constexpr TPcmFormat Stereo16{2, 16, 44100};

// Each traits struct names the source, the format of its test file, and Make: writes Pcm into
// File and returns what the source must deliver for it (empty when the encoder failed).
struct TWaveTraits {
    static constexpr const char* Name = "Wave";
    using Source = TWaveIn;
    static constexpr TPcmFormat Format = Stereo16;
    static std::vector<uint8_t> Make(const std::string& File, const std::vector<uint8_t>& Pcm) {
        WritePcmWav(File, Pcm.data(), Pcm.size(), Format.Channels, Format.SampleRate, Format.BitsPerSample);
        return Pcm;
    }
};

// FLAC seeks by the seek table when there is one, and by searching the file otherwise.
template <const char* Options, const char* TraitsName> struct TFlacTraits {
    static constexpr const char* Name = TraitsName;
    using Source = TFLACIn;
    static constexpr TPcmFormat Format = Stereo16;
    static std::vector<uint8_t> Make(const std::string& File, const std::vector<uint8_t>& Pcm) {
        return EncodeWithFlac(Pcm, Format, Options, File) ? Pcm : std::vector<uint8_t>{};
    }
};
constexpr char FlacSeekTable[] = "-5 --blocksize=4096", FlacSeekTableName[] = "FlacSeekTable";
constexpr char FlacNoSeekTable[] = "-8 --blocksize=4096 --no-seektable", FlacSearchName[] = "FlacSearched";

struct TMacTraits {
    static constexpr const char* Name = "MonkeysAudio";
    using Source = TMACIn;
    static constexpr TPcmFormat Format = Stereo16;
    static std::vector<uint8_t> Make(const std::string& File, const std::vector<uint8_t>& Pcm) {
        if (!MACLibrary().Loaded()) return {};
        std::string Wav = File + ".wav";
        TWaveTraits::Make(Wav, Pcm);
        return MACLibrary()->CompressFile(Wav.c_str(), File.c_str(), 1000, nullptr, nullptr, nullptr) == 0
                   ? Pcm
                   : std::vector<uint8_t>{};
    }
};

struct TVorbisTraits {
    static constexpr const char* Name = "OggVorbis";
    using Source = TVorbisIn;
    static constexpr TPcmFormat Format = Stereo16;
    static std::vector<uint8_t> Make(const std::string& File, const std::vector<uint8_t>& Pcm) {
        std::filesystem::path Path(File);
        std::string Ogg = EncodeWithOggenc(Path.parent_path().string(), Path.stem().string(),
                                           BytesToSamples(Pcm), Format.Channels, Format.SampleRate, 4);
        std::filesystem::rename(Ogg, File);
        return DecodeWithOggdec(File);
    }
};

struct TMp3Traits {
    static constexpr const char* Name = "Mp3";
    using Source = TMP3In;
    static constexpr TPcmFormat Format = Stereo16;
    static std::vector<uint8_t> Make(const std::string& File, const std::vector<uint8_t>& Pcm) {
        std::filesystem::path Path(File);
        TTempDir Scratch;
        std::string Mp3 = EncodeWithLame(Scratch, "music", BytesToSamples(Pcm), Format.Channels,
                                         Format.SampleRate, "-b 160");
        std::filesystem::copy_file(Mp3, File);
        return SamplesToBytes(DecodeWithMpg123(File));
    }
};

template <class Traits> class FileSourceRange : public testing::Test {
protected:
    void SetUp() override {
        Reference = Traits::Make(Dir.File("music"), MusicPcm(44100, Traits::Format, 3));
        ASSERT_FALSE(Reference.empty()) << "the encoder failed";
        Frames = int32_t(Reference.size() / FrameBytes);
        Source.SetFileName(Dir.File("music"));
    }
    std::vector<uint8_t> Slice(int32_t First, int32_t End) const {
        return {Reference.begin() + First * FrameBytes, Reference.begin() + End * FrameBytes};
    }

    static constexpr int32_t FrameBytes = Traits::Format.Channels * Traits::Format.BitsPerSample / 8;
    TTempDir Dir;
    std::vector<uint8_t> Reference;
    int32_t Frames = 0;
    typename Traits::Source Source;
};

using TFileSources =
    testing::Types<TWaveTraits, TFlacTraits<FlacSeekTable, FlacSeekTableName>,
                   TFlacTraits<FlacNoSeekTable, FlacSearchName>, TMacTraits, TVorbisTraits, TMp3Traits>;
struct TSourceNames {
    template <class Traits> static std::string GetName(int) { return Traits::Name; }
};
TYPED_TEST_SUITE(FileSourceRange, TFileSources, TSourceNames);

TYPED_TEST(FileSourceRange, StartAndEndSampleCutExactly) {
    auto& Source = this->Source;
    // Block starts, a sample either side of one, the middle of a block, the last sample.
    for (int32_t Start : {1, 1000, 4095, 4096, 4097, 10000, this->Frames - 1}) {
        Source.SetStartSample(Start);
        Source.SetEndSample(-1);
        Source.Init();
        EXPECT_EQ(Source.Size(), (this->Frames - Start) * this->FrameBytes) << "start " << Start;
        Source.Flush();
        EXPECT_TRUE(ReadAllData(Source, 999) == this->Slice(Start, this->Frames)) << "start " << Start;
    }
    for (auto [Start, End] :
         {std::pair{0, 1}, {0, 777}, {0, 4097}, {1000, 5003}, {5000, 5001}, {4096, 8192}, {12345, 23456}}) {
        Source.SetStartSample(Start);
        Source.SetEndSample(End);
        EXPECT_TRUE(ReadAllData(Source, 1000) == this->Slice(Start, End)) << Start << ".." << End;
    }
}

// Looping starts over at StartSample without losing the tail of a pass and without passing
// EndSample, and never ends.
TYPED_TEST(FileSourceRange, LoopRepeatsTheRangeWithoutEnd) {
    auto& Source = this->Source;
    for (auto [Start, End] : {std::pair{40000, -1}, {100, 1100}, {0, 3000}}) {
        Source.SetStartSample(Start);
        Source.SetEndSample(End);
        Source.SetLoop(true);
        auto Lap = this->Slice(Start, End < 0 ? this->Frames : End);
        auto Looped = ReadAllData(Source, 3000, Lap.size() * 3 + 400);
        ASSERT_GE(Looped.size(), Lap.size() * 3 + 400) << Start << ".." << End;
        for (size_t Offset = 0; Offset < Looped.size(); Offset += Lap.size()) {
            size_t Count = std::min(Lap.size(), Looped.size() - Offset);
            EXPECT_TRUE(std::equal(Lap.begin(), Lap.begin() + long(Count), Looped.begin() + long(Offset)))
                << Start << ".." << End << ", lap at " << Offset;
        }
    }
}

TYPED_TEST(FileSourceRange, GetDataOutsideAReadRaises) {
    uint8_t Buffer[16];
    try {
        this->Source.GetData(Buffer, sizeof Buffer);
        FAIL() << "GetData without Init succeeded";
    } catch (const EACSException& E) {
        EXPECT_STREQ(E.what(), "The Stream is not opened");
    }
}

// One opening policy for every source: a file that cannot be opened raises and leaves nothing
// open; one it cannot decode opens, not Valid, with its reason, and counts as an opening like any
// other, so a nested opening does not read the file again.
TYPED_TEST(FileSourceRange, OpeningRaisesOnMissingFilesAndCountsUndecodableOnes) {
    auto& Source = this->Source;
    const std::string File = this->Dir.File("other");
    Source.SetFileName(File);
    EXPECT_THROW(Source.OpenFile(), std::exception);
    WriteFileBytes(File, std::vector<uint8_t>(5000, 0x41));
    Source.OpenFile();
    EXPECT_FALSE(Source.Valid());
    EXPECT_FALSE(Source.DecodeError().empty());
    std::filesystem::copy_file(this->Dir.File("music"), File,
                               std::filesystem::copy_options::overwrite_existing);
    Source.OpenFile();
    EXPECT_FALSE(Source.Valid()) << "a nested opening read the file again";
    Source.CloseFile();
    Source.CloseFile();
    Source.OpenFile();
    EXPECT_TRUE(Source.Valid()) << Source.DecodeError();
    Source.CloseFile();
}

} // namespace
} // namespace deraz::test
