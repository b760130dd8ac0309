// Files made by the peer tools (ffmpeg, sox, flac, oggenc, opusenc, lame, id3v2, jmac, wavpack, mpcenc),
// converted by deraz-convert into every output format, and described by --info. Lossless outputs hold exactly
// what ffmpeg decodes from the input, frames, rate and channels included (float input as 24-bit
// integers clipped at full scale); lossy outputs come within 1 dB of the SNR that the reference
// encoder reaches on the same PCM; pairs beyond an output's limits fail with a one-line reason;
// --info agrees with ffprobe on duration, rate and channels. MPEG-4 inputs decode to the length
// their container states; our AAC outputs state the input's exact length, and ALAC outputs are
// exact.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;

// Every input is made from music.wav (16-bit stereo) and surround.wav (16-bit 5.1, extensible),
// made before its commands run.
constexpr int32_t StereoRate = 44100, SurroundRate = 48000;
const char* const Prelude = "ffmpeg() { command ffmpeg -nostdin -v error -y \"$@\"; }; "
                            "ffmpeg -i six.wav -c:a pcm_s16le surround.wav && ";

// How an input's lossless outputs are checked against it.
enum class TKind {
    Exact, // they hold exactly what ffmpeg decodes
    Float, // float samples: held as 24-bit values, clipped at full scale
    // A chain whose later stream has another rate: only the first one is exact.
    Resampled,
    // Opus: its reference is opusdec's float decoding at 48 kHz, which our 24-bit outputs meet to
    // within the last bit (rounding halves may go either way).
    Opus,
    // Float-decoded lossy codecs (AAC, WMA, AC-3): their lossless outputs hold ffmpeg's float
    // decoding as 24-bit values, an MPEG-4 file's to the frame count the container states (ffmpeg
    // itself decodes the last block whole).
    Lossy,
};
using enum TKind;

struct TInputRow {
    const char* Name; // the input, made in the scratch folder
    const char* Make; // shell commands that make it there
    int32_t Bits;     // bits per sample of its lossless outputs; 0: it holds no audio
    TKind Kind = Exact;
    // Chained Ogg: its streams in order. ffmpeg decodes a chain short, so each is decoded alone,
    // later ones at the first one's rate and channels.
    std::vector<std::string> Links = {};
};

const TInputRow Inputs[] = {
    // ffmpeg writes WAVE_FORMAT_EXTENSIBLE beyond 48 kHz, 16 bits or 2 channels.
    {"ext16.wav", "ffmpeg -i music.wav -ar 96000 -c:a pcm_s16le ext16.wav", 16},
    {"ext24.wav", "sox music.wav -t wav -b 24 - vol 0.9 | ffmpeg -f wav -i - -c:a pcm_s24le ext24.wav", 24},
    {"ext32.wav", "sox music.wav -t wav -b 32 - vol 0.9 | ffmpeg -f wav -i - -c:a pcm_s32le ext32.wav", 32},
    // Twice a 24-bit signal: exact 24-bit values, many beyond full scale.
    {"float.wav",
     "sox music.wav -t wav -b 24 - vol 0.9 | ffmpeg -f wav -i - -af volume=2:precision=float -c:a pcm_f32le "
     "float.wav",
     24, Float},
    {"double.wav",
     "sox music.wav -t wav -b 24 - vol 0.9 | ffmpeg -f wav -i - -af volume=2:precision=float -c:a pcm_f64le "
     "double.wav",
     24, Float},
    {"rf64.wav", "ffmpeg -i music.wav -rf64 always -c:a pcm_s16le rf64.wav", 16},
    {"surround.wav", "true", 16},
    {"surround.flac", "flac -s -o surround.flac surround.wav", 16},
    {"surround.ogg", "oggenc -Q -q 3 -o surround.ogg surround.wav", 16},
    {"hires.flac", "sox music.wav -b 24 m24.wav vol 0.9 && flac -s -o hires.flac m24.wav", 24},
    {"chain.ogg",
     "sox music.wav back.wav reverse && oggenc -Q -o a.ogg music.wav && oggenc -Q -o b.ogg back.wav && cat "
     "a.ogg b.ogg > chain.ogg",
     16,
     Exact,
     {"a.ogg", "b.ogg"}},
    {"change.ogg",
     "sox music.wav -r 48000 -c 1 mono.wav && oggenc -Q -o a.ogg music.wav && oggenc -Q -o b.ogg mono.wav && "
     "cat a.ogg b.ogg > change.ogg",
     16,
     Resampled,
     {"a.ogg", "b.ogg"}},
    {"jmac.ape", "jmac c2000 music.wav jmac.ape", 16},
    {"tagonly.mp3", "touch tagonly.mp3 && id3v2 -t Silence tagonly.mp3", 0},
    {"stereo.opus", "opusenc --quiet --bitrate 96 music.wav stereo.opus", 24, Opus},
    {"surround.opus", "opusenc --quiet surround.wav surround.opus", 24, Opus},
    {"chain.opus",
     "sox music.wav back.wav reverse && opusenc --quiet music.wav a.opus && opusenc --quiet back.wav b.opus "
     "&& cat a.opus b.opus > chain.opus",
     24,
     Opus,
     {"a.opus", "b.opus"}},
    // This ffmpeg has only its own AAC encoder (no libfdk_aac), so no HE-AAC input is made.
    {"aac.m4a", "ffmpeg -i music.wav -c:a aac -b:a 128k aac.m4a", 24, Lossy},
    {"aac64.m4a", "ffmpeg -i music.wav -ar 32000 -c:a aac -b:a 64k aac64.m4a", 24, Lossy},
    {"surround.m4a", "ffmpeg -i surround.wav -c:a aac -b:a 256k surround.m4a", 24, Lossy},
    {"tagged.m4a",
     "ffmpeg -f lavfi -i color=c=red:s=16x16 -frames:v 1 cover.png && ffmpeg -i music.wav -i cover.png -map "
     "0 -map 1 -c:a aac -c:v copy -disposition:v attached_pic -metadata title=Song tagged.m4a",
     24, Lossy},
    {"alac16.m4a", "ffmpeg -i music.wav -c:a alac alac16.m4a", 16},
    {"alac24.m4a", "sox music.wav -t wav -b 24 - vol 0.9 | ffmpeg -f wav -i - -c:a alac alac24.m4a", 24},
    {"wp16.wv", "wavpack -q -m music.wav -o wp16.wv", 16},
    {"wp24.wv", "sox music.wav -b 24 m24.wav vol 0.9 && wavpack -q -m -hh m24.wav -o wp24.wv", 24},
    {"wpfloat.wv",
     "sox music.wav -t wav -b 24 - vol 0.9 | ffmpeg -f wav -i - -af volume=2:precision=float -c:a pcm_f32le "
     "f.wav && wavpack -q -m f.wav -o wpfloat.wv",
     24, Float},
    {"wp51.wv", "wavpack -q -m -f surround.wav -o wp51.wv", 16},
    // Hybrid with its correction file beside it: exactly music.wav, which ffmpeg cannot tell.
    {"hybrid.wv",
     "wavpack -q -m -b3 -c music.wav -o hybrid.wv && test -f hybrid.wvc",
     16,
     Exact,
     {"music.wav"}},
    {"sox24.aiff", "sox music.wav -b 24 sox24.aiff vol 0.9", 24},
    {"sox8.aif", "sox music.wav -b 8 sox8.aif", 8},
    {"sowt.aifc", "ffmpeg -i music.wav -c:a pcm_s16le -f aiff sowt.aifc", 16},
    {"fl32.aifc",
     "sox music.wav -t wav -b 24 - vol 0.9 | ffmpeg -f wav -i - -af volume=2:precision=float -c:a pcm_f32be "
     "-f aiff fl32.aifc",
     24, Float},
    {"ff51.aif", "ffmpeg -i surround.wav -c:a pcm_s16be ff51.aif", 16},
    // Read through FFmpeg's libraries as the last resort: exactly what ffmpeg decodes.
    {"tta.tta", "ffmpeg -i music.wav tta.tta", 16},
    {"w64.w64", "sox music.wav -t wav -b 24 - vol 0.9 | ffmpeg -f wav -i - -c:a pcm_s24le w64.w64", 24},
    {"alac.caf", "ffmpeg -i music.wav -c:a alac alac.caf", 16},
    {"mpc.mpc", "mpcenc --silent music.wav mpc.mpc", 16},
    {"mp2.mp2", "ffmpeg -i music.wav -c:a mp2 -b:a 192k mp2.mp2", 16},
    {"video.mkv",
     "ffmpeg -f lavfi -i testsrc=s=64x48:d=4 -i music.wav -map 0 -map 1 -c:v mpeg4 -c:a flac video.mkv", 16},
    {"wma.wma", "ffmpeg -i music.wav -c:a wmav2 -b:a 128k wma.wma", 24, Lossy},
    {"surround.ac3", "ffmpeg -i surround.wav -c:a ac3 surround.ac3", 24, Lossy},
};

const char* const ColumnNames[] = {"wav", "flac", "ape", "ogg",  "mp3", "opus",
                                   "m4a", "alac", "wv",  "aiff", "info"};

struct TStreamFacts {
    int32_t Rate = 0, Channels = 0, Bits = 0;
};

TStreamFacts Probe(const std::string& File) {
    auto Fields = ProbeEntries(File, "stream=sample_rate,channels,bits_per_sample,bits_per_raw_sample");
    auto Number = [&](const char* Key) { return std::atoi(Fields[Key].c_str()); };
    return {Number("sample_rate"), Number("channels"),
            std::max(Number("bits_per_sample"), Number("bits_per_raw_sample"))};
}

// The frames the first audio stream states it holds (its time base is the sample rate).
size_t StatedFrames(const std::string& File) {
    std::string Text;
    RunCommand("ffprobe -v error -select_streams a:0 -show_entries stream=duration_ts -of csv=p=0 " +
                   ShellQuote(File),
               &Text);
    return size_t(std::atoll(Text.c_str()));
}

double ProbedDuration(const std::string& File) {
    return std::atof(ProbeEntries(File, "format=duration")["duration"].c_str());
}

template <typename T> std::vector<T> Decode(const std::string& File, const std::string& Extra = "") {
    constexpr const char* Format = std::is_same_v<T, int16_t>   ? "s16le"
                                   : std::is_same_v<T, int32_t> ? "s32le"
                                   : std::is_same_v<T, float>   ? "f32le"
                                                                : "f64le";
    auto Bytes = DecodeWithFfmpeg(File, Format + (" " + Extra));
    std::vector<T> Values(Bytes.size() / sizeof(T));
    if (!Values.empty()) std::memcpy(Values.data(), Bytes.data(), Values.size() * sizeof(T));
    return Values;
}

// Writes samples of DecodeInts as raw 32-bit PCM.
void WriteRaw32(const std::string& File, const std::vector<int32_t>& Samples, int32_t Bits) {
    std::vector<uint8_t> Bytes(Samples.size() * 4);
    for (size_t I = 0; I < Samples.size(); ++I) {
        uint32_t Value = uint32_t(Samples[I]) << (Bits == 16 ? 16 : 0);
        std::memcpy(&Bytes[I * 4], &Value, 4);
    }
    WriteFileBytes(File, Bytes);
}

// Integer samples at Bits, as 16-bit values when Bits is 16 and as 32-bit values otherwise, so
// that a 16-bit output of a lossy input is compared with ffmpeg's rounding to 16 bits.
std::vector<int32_t> DecodeInts(const std::string& File, int32_t Bits, const std::string& Extra = "") {
    if (Bits != 16) return Decode<int32_t>(File, Extra);
    auto Samples = Decode<int16_t>(File, Extra);
    return {Samples.begin(), Samples.end()};
}

class InteropTable : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override {
        WritePcmWav(Dir.File("music.wav"), MusicLikeSignal(StereoRate, 2, StereoRate, 3), 2, StereoRate);
        WritePcmWav(Dir.File("six.wav"), MusicLikeSignal(SurroundRate, 6, SurroundRate, 4), 6, SurroundRate);
        std::string Output;
        ASSERT_EQ(RunIn(Dir.Path(), Prelude + std::string(Row.Make), &Output), 0) << Row.Make << "\n"
                                                                                  << Output;
        In = Probe(Input);
        Expected = ReferencePcm();
    }

    // The input's samples (see DecodeInts) at its first stream's rate and channels: what every
    // lossless output must hold, float as 24-bit values clipped at full scale.
    std::vector<int32_t> ReferencePcm() const {
        if (Row.Kind == Lossy) {
            std::vector<int32_t> Samples;
            for (double Value : Decode<double>(Input))
                Samples.push_back(
                    int32_t(std::clamp(std::nearbyint(Value * 8388608.0), -8388608.0, 8388607.0)) * 256);
            if (Input.ends_with(".m4a"))
                Samples.resize(std::min(Samples.size(), StatedFrames(Input) * size_t(In.Channels)));
            return Samples;
        }
        if (Row.Kind == Float) return FloatAs24Bits(Input);
        std::vector<int32_t> Pcm;
        for (const auto& Link : Row.Links.empty() ? std::vector<std::string>{Row.Name} : Row.Links) {
            auto Part = LinkPcm(Link);
            Pcm.insert(Pcm.end(), Part.begin(), Part.end());
        }
        return Pcm;
    }

    static std::vector<int32_t> FloatAs24Bits(const std::string& File) {
        std::vector<int32_t> Samples;
        for (double Value : Decode<double>(File))
            Samples.push_back(int32_t(std::clamp(std::round(Value * 8388608.0), -8388608.0, 8388607.0)) *
                              256);
        return Samples;
    }

    // One stream of the input at the input's rate and channels, a mono stream copied into both
    // channels of a stereo input. Vorbis decoders differ in the last bit, so an Ogg Vorbis stream
    // is decoded by libvorbis (oggdec), as the source does, and put from Vorbis into WAV order.
    std::vector<int32_t> LinkPcm(const std::string& Link) const {
        TStreamFacts Facts = Probe(Dir.File(Link));
        std::string Format = " -ar " + std::to_string(In.Rate);
        if (Facts.Channels == 1 && In.Channels == 2) Format += " -af 'pan=stereo|c0=c0|c1=c0'";
        if (Row.Kind == Opus) {
            RunIn(Dir.Path(), "opusdec --quiet --float --rate 48000 " + Link + " link.wav");
            return FloatAs24Bits(Dir.File("link.wav"));
        }
        if (!Link.ends_with(".ogg")) return DecodeInts(Dir.File(Link), Row.Bits, Format);
        // oggdec's WAV files have a channel order of their own; its raw output is in Vorbis order.
        RunIn(Dir.Path(), "oggdec -Q -R -o link.raw " + Link + " && sox -t raw -e signed -b 16 -r " +
                              std::to_string(Facts.Rate) + " -c " + std::to_string(Facts.Channels) +
                              " link.raw link.wav");
        auto Pcm = DecodeInts(Dir.File("link.wav"), 16, Format);
        if (In.Channels != 6) return Pcm;
        // Vorbis 5.1 is FL FC FR BL BR LFE; WAV order FL FR FC LFE BL BR.
        constexpr size_t FromVorbis[] = {0, 2, 1, 5, 3, 4};
        std::vector<int32_t> Reordered(Pcm.size());
        for (size_t I = 0; I < Pcm.size(); ++I) Reordered[I] = Pcm[I - I % 6 + FromVorbis[I % 6]];
        return Reordered;
    }

    // Converts the input into Extension with the level given; the exit status, messages in Messages.
    int Convert(const std::string& Extension, const std::string& Level) {
        Messages.clear();
        fs::create_directories(Dir.File("out"));
        fs::remove(Output(Extension)); // AAC and ALAC outputs share their name
        return RunConverter("-f " + Extension + " -l " + Level + " -o " + ShellQuote(Dir.File("out")) + " " +
                                ShellQuote(Input),
                            &Messages);
    }

    std::string Output(const std::string& Extension) const {
        return Dir.File("out/" + fs::path(Row.Name).stem().string() + "." +
                        (Extension == "alac" ? "m4a" : Extension));
    }

    // The line the batch summary has for the input, "" when none.
    std::string SummaryLine(const std::string& Outcome) const {
        std::istringstream Lines(Messages);
        for (std::string Line; std::getline(Lines, Line);)
            if (Line.find(Input + ": " + Outcome + ": ") != std::string::npos) return Line;
        return "";
    }

    void ExpectRefusal(const std::string& Extension, const std::string& Limit) {
        EXPECT_EQ(Convert(Extension, "0"), 1) << Messages;
        std::string Line = SummaryLine("failed");
        EXPECT_NE(Line.find(Limit), std::string::npos) << "a reason naming the limit: " << Messages;
        // The progress line, the summary's heading, its line and its counts: nothing of a library.
        EXPECT_EQ(std::count(Messages.begin(), Messages.end(), '\n'), 4) << Messages;
        EXPECT_FALSE(fs::exists(Output(Extension)));
    }

    void ExpectLossless(const std::string& Extension) {
        ASSERT_EQ(Convert(Extension, "0"), 0) << Messages;
        TStreamFacts Out = Probe(Output(Extension));
        if (Row.Bits == 0) {
            EXPECT_TRUE(DecodeWithFfmpeg(Output(Extension), "s32le").empty());
            return;
        }
        EXPECT_EQ(Out.Rate, In.Rate);
        EXPECT_EQ(Out.Channels, In.Channels);
        // Apple Lossless has no 8-bit form: such input is widened to 16 bits.
        EXPECT_EQ(Out.Bits, Extension == "alac" && Row.Bits == 8 ? 16 : Row.Bits);
        auto Ours = DecodeInts(Output(Extension), Row.Bits);
        size_t Channels = size_t(In.Channels);
        if (Row.Kind == Resampled) return ExpectResampledChain(Ours);
        EXPECT_EQ(Ours.size() / Channels, Expected.size() / Channels) << "frames";
        if (Row.Kind == Opus) return ExpectWithinLastBit(Ours);
        EXPECT_TRUE(Ours == Expected) << "samples differ from ffmpeg's decoding";
        if (Row.Kind == Float) {
            EXPECT_NE(SummaryLine("converted"), "")
                << "the summary says that floats were written as integers";
            EXPECT_GT(std::count(Expected.begin(), Expected.end(), 0x7FFFFF00), 0) << "no clipped samples";
        }
    }

    void ExpectWithinLastBit(const std::vector<int32_t>& Ours) const {
        ASSERT_EQ(Ours.size(), Expected.size());
        int64_t Largest = 0;
        for (size_t I = 0; I < Ours.size(); ++I)
            Largest = std::max(Largest, std::abs(int64_t(Ours[I]) - Expected[I]));
        EXPECT_LE(Largest, 256) << "samples differ from opusdec's by more than one 24-bit step";
    }

    // Our output decoded by its format's own tool as well (wvunpack, which also checks the MD5
    // sum, or sox): the same samples at the input's depth and channels as ffmpeg decodes.
    void ExpectPeerDecodes(const std::string& Extension, const std::string& Decoder, const std::string& To) {
        if (Row.Bits == 0 || HasFailure()) return;
        const std::string Wav = Dir.File("peer.wav");
        std::string Text;
        ASSERT_EQ(RunCommand(Decoder + " " + ShellQuote(Output(Extension)) + To + ShellQuote(Wav), &Text), 0)
            << Text;
        EXPECT_EQ(Probe(Wav).Bits, Row.Bits);
        EXPECT_TRUE(DecodeInts(Wav, Row.Bits) == DecodeInts(Output(Extension), Row.Bits))
            << Decoder << " decodes other samples";
    }

    // The first stream exact, the later one at the first one's rate with its length and close to
    // what ffmpeg's resampler makes of it.
    void ExpectResampledChain(const std::vector<int32_t>& Ours) {
        size_t FirstSamples = DecodeInts(Dir.File(Row.Links[0]), Row.Bits).size();
        ASSERT_GE(Ours.size(), FirstSamples);
        EXPECT_TRUE(std::equal(Expected.begin(), Expected.begin() + ptrdiff_t(FirstSamples), Ours.begin()));
        EXPECT_NEAR(double(Ours.size()), double(Expected.size()), 2.0 * In.Channels) << "frames";
        std::vector<int32_t> Theirs(Expected.begin() + ptrdiff_t(FirstSamples), Expected.end());
        std::vector<int32_t> Mine(Ours.begin() + ptrdiff_t(FirstSamples), Ours.end());
        EXPECT_GT(SignalToNoiseDb(Theirs, Mine), 30.0);
    }

    // The SNR of our output and of the reference encoder's on the same PCM (downmixed to stereo
    // for MP3), both against that PCM at the rate of our output.
    void ExpectLossy(const std::string& Extension, const std::string& Level, const std::string& Reference) {
        ASSERT_EQ(Convert(Extension, Level), 0) << Messages;
        if (Row.Bits == 0) {
            EXPECT_TRUE(DecodeWithFfmpeg(Output(Extension), "f32le").empty());
            return;
        }
        WriteRaw32(Dir.File("same.raw"), Expected, Row.Bits);
        std::string Downmix = Extension == "mp3" && In.Channels == 6
                                  ? " -af 'pan=stereo|FL=0.41421*FL+0.29289*FC+0.29289*BL|"
                                    "FR=0.41421*FR+0.29289*FC+0.29289*BR'"
                                  : "";
        ASSERT_EQ(RunIn(Dir.Path(), "ffmpeg -nostdin -v error -y -f s32le -ar " + std::to_string(In.Rate) +
                                        " -ac " + std::to_string(In.Channels) + " -i same.raw" + Downmix +
                                        // An AAC input's 24-bit decoding: the reference
                                        // encoder gets exactly what ours gets.
                                        " -c:a " + (Row.Kind == Lossy ? "pcm_s24le" : "pcm_s16le") +
                                        " same.wav && " + Reference),
                  0);
        TStreamFacts Ours = Probe(Output(Extension)), Theirs = Probe(Dir.File("reference." + Extension));
        EXPECT_EQ(Ours.Rate, Theirs.Rate);
        EXPECT_EQ(Ours.Channels, Downmix.empty() ? In.Channels : 2);
        EXPECT_EQ(Ours.Channels, Theirs.Channels);
        // Opus always decodes at 48 kHz; the header keeps the input's rate, at which opusdec gives
        // back every frame of the input.
        if (Extension == "opus") {
            ASSERT_EQ(RunIn(Dir.Path(), "opusdec --quiet --rate " + std::to_string(In.Rate) + " " +
                                            ShellQuote(Output(Extension)) + " back.wav"),
                      0);
            EXPECT_EQ(Decode<int16_t>(Dir.File("back.wav")).size(), Expected.size()) << "frames";
        } else if (Ours.Rate != In.Rate) {
            EXPECT_NE(SummaryLine("converted").find(std::to_string(Ours.Rate)), std::string::npos)
                << "the summary names the rate written: " << Messages;
        }
        auto Pcm = Decode<float>(Dir.File("same.wav"), "-ar " + std::to_string(Ours.Rate));
        auto OurPcm = Decode<float>(Output(Extension));
        auto TheirPcm = Decode<float>(Dir.File("reference." + Extension));
        EXPECT_EQ(OurPcm.size(), TheirPcm.size());
        EXPECT_GE(SignalToNoiseDb(Pcm, OurPcm), SignalToNoiseDb(Pcm, TheirPcm) - 1.0);
    }

    void ExpectInfo() {
        std::string Text;
        RunConverter("--info " + ShellQuote(Input), &Text);
        auto Field = [&](const std::string& Caption) {
            size_t At = Text.find("\n" + Caption + " ");
            return At == std::string::npos ? std::string()
                                           : Text.substr(At + Caption.size() + 2,
                                                         Text.find('\n', At + 1) - At - Caption.size() - 2);
        };
        if (Row.Bits == 0) {
            EXPECT_EQ(In.Channels, 0) << "ffprobe finds no audio either";
            EXPECT_EQ(std::atof(Field("Duration:").c_str()), 0.0) << Text;
            return;
        }
        double Duration = 0;
        for (const auto& Link : Row.Links.empty() ? std::vector<std::string>{Input} : Row.Links)
            Duration += ProbedDuration(Dir.File(Link));
        // ffprobe counts an Opus stream's pre-skip as playing time; opusdec's frames are the length.
        if (Row.Kind == Opus) Duration = double(Expected.size()) / In.Channels / In.Rate;
        EXPECT_NEAR(std::atof(Field("Duration:").c_str()), Duration, 0.010) << Text;
        // Opus adds the rate it was encoded from.
        EXPECT_TRUE(Field("Sampling rate:").starts_with(std::to_string(In.Rate) + " Hz")) << Text;
        // FLAC and MPEG files name their channels in words.
        std::string Words = In.Channels == 1 ? "Mono" : In.Channels == 2 ? "Stereo" : "Multi Channel";
        std::string Channels = Field("Channels:");
        EXPECT_TRUE(Channels == std::to_string(In.Channels) || Channels == Words) << Text;
    }

    const TInputRow& Row = Inputs[GetParam()];
    TTempDir Dir;
    std::string Input = Dir.File(Row.Name);
    TStreamFacts In;
    std::vector<int32_t> Expected; // ReferencePcm
    std::string Messages;
};

TEST_P(InteropTable, ConvertsIntoEveryFormat) {
    // Where the output formats stop: FLAC, Monkey's Audio and ALAC at 24 bits, Monkey's Audio at 2
    // channels and at an empty file (which other decoders would refuse).
    const std::function<void()> Columns[] = {
        [&] { ExpectLossless("wav"); },
        [&] { Row.Bits > 24 ? ExpectRefusal("flac", "24") : ExpectLossless("flac"); },
        [&] {
            if (Row.Bits == 0) return ExpectRefusal("ape", "cannot be empty");
            if (In.Channels > 2) return ExpectRefusal("ape", "2 channels");
            Row.Bits > 24 ? ExpectRefusal("ape", "24") : ExpectLossless("ape");
        },
        [&] { ExpectLossy("ogg", "4", "oggenc -Q -q 4 -o reference.ogg same.wav"); },
        [&] { ExpectLossy("mp3", "128", "lame --quiet -b 128 same.wav reference.mp3"); },
        [&] { ExpectLossy("opus", "128", "opusenc --quiet --bitrate 128 same.wav reference.opus"); },
        [&] {
            ExpectLossy("m4a", "192",
                        "ffmpeg -nostdin -v error -i same.wav -c:a aac -b:a 192k reference.m4a");
            // The edit list states the input's length, to the frame.
            if (Row.Bits != 0 && Row.Kind != Resampled) {
                EXPECT_EQ(StatedFrames(Output("m4a")), Expected.size() / size_t(In.Channels));
            }
        },
        [&] { Row.Bits > 24 ? ExpectRefusal("alac", "24") : ExpectLossless("alac"); },
        [&] {
            if (Row.Bits == 0) return ExpectRefusal("wv", "cannot be empty");
            ExpectLossless("wv");
            ExpectPeerDecodes("wv", "wvunpack -q -y -m", " -o ");
        },
        [&] {
            ExpectLossless("aiff");
            ExpectPeerDecodes("aiff", "sox", " ");
        },
        [&] { ExpectInfo(); }};
    for (size_t Column = 0; Column < std::size(Columns); ++Column) {
        SCOPED_TRACE(ColumnNames[Column]);
        Columns[Column]();
    }
}

INSTANTIATE_TEST_SUITE_P(PeerFiles, InteropTable, ::testing::Range(size_t(0), std::size(Inputs)),
                         [](const auto& Info) {
                             std::string Name = Inputs[Info.param].Name;
                             std::replace(Name.begin(), Name.end(), '.', '_');
                             return Name;
                         });

} // namespace
} // namespace deraz::test
