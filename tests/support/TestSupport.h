// Helpers shared by the tests: scratch folders, generated audio, and running the peer tools.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace deraz::test {

// The layout of raw interleaved PCM as the pipeline carries it (8-bit unsigned, wider signed).
struct TPcmFormat {
    int32_t Channels = 2;
    int32_t BitsPerSample = 16;
    int32_t SampleRate = 44100;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return FPath; }
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
};

// Interleaved 16-bit PCM that sounds like music: a few detuned harmonic voices with vibrato,
// a decaying percussive noise and slow level changes, different in every channel.
std::vector<int16_t> MusicLikeSignal(int32_t Frames, int32_t Channels, int32_t SampleRate, uint32_t Seed = 1);
// The same as unsigned 8-bit samples.
std::vector<uint8_t> ToUnsigned8(const std::vector<int16_t>& Samples);

// Writes a canonical PCM WAV file (44-byte header).
void WritePcmWav(const std::string& FileName, const void* Data, size_t Bytes, int32_t Channels,
                 int32_t SampleRate, int32_t BitsPerSample);
void WritePcmWav(const std::string& FileName, const std::vector<int16_t>& Samples, int32_t Channels,
                 int32_t SampleRate);

std::vector<uint8_t> ReadFileBytes(const std::string& FileName);
// The files directly in Directory whose name ends in Extension (".part").
std::vector<std::string> FilesWithExtension(const std::filesystem::path& Directory,
                                            const std::string& Extension);
void WriteFileBytes(const std::string& FileName, const std::vector<uint8_t>& Bytes);

// Runs a shell command; returns its exit status. Output goes to OutputText when given.
int RunCommand(const std::string& Command, std::string* OutputText = nullptr);
// Runs Command in Folder, as RunCommand does.
int RunIn(const std::filesystem::path& Folder, const std::string& Command, std::string* OutputText = nullptr);
// Whether a program is on the PATH.
bool ToolAvailable(const std::string& Program);
// Quotes a string for the shell.
std::string ShellQuote(const std::string& Text);

// Decodes any file ffmpeg reads into raw little-endian PCM of the given sample format
// ("s16le", "u8", "s24le", ...); an empty vector when ffmpeg fails.
std::vector<uint8_t> DecodeWithFfmpeg(const std::string& FileName, const std::string& Format = "s16le");

// Signal-to-noise ratio of Test against Reference in dB, over the common length; 200 when equal.
template <typename T> double SignalToNoiseDb(const std::vector<T>& Reference, const std::vector<T>& Test) {
    double Signal = 0, Noise = 0;
    for (size_t I = 0; I < std::min(Reference.size(), Test.size()); ++I) {
        Signal += double(Reference[I]) * Reference[I];
        Noise += (double(Reference[I]) - Test[I]) * (double(Reference[I]) - Test[I]);
    }
    return Noise == 0 ? 200.0 : 10.0 * std::log10(Signal / Noise);
}

// The signal-to-noise ratio of each channel of interleaved Test against the same channel of
// Reference: a silenced, swapped or misplaced channel gives 0 dB or less.
std::vector<double> ChannelSnrDb(const std::vector<int16_t>& Reference, const std::vector<int16_t>& Test,
                                 int32_t Channels);
// The lowest of them.
double WorstChannelSnrDb(const std::vector<int16_t>& Reference, const std::vector<int16_t>& Test,
                         int32_t Channels);

// WorstChannelSnrDb of what the peer tool for Extension (as EncodeWithPeerTool runs it) makes of
// 16-bit Samples, decoded by ffmpeg: what an output of that format should reach; -1000 when no
// peer encodes it.
double PeerWorstChannelSnrDb(const std::vector<int16_t>& Samples, int32_t Channels, int32_t SampleRate,
                             const std::string& Extension);

std::vector<int16_t> BytesToSamples(const std::vector<uint8_t>& Bytes);
std::vector<uint8_t> SamplesToBytes(const std::vector<int16_t>& Samples);

// Encodes a WAV file into Out with a peer tool, chosen by Extension (".wav" copies, ".mp3" lame
// at 128 kbit/s, ".fla"/".flac" flac, ".ogg" oggenc, ".ape" jmac); false when none can.
bool EncodeWithPeerTool(const std::string& Wav, const std::string& Extension, const std::string& Out);

// The entries ffprobe shows for File ("stream=sample_rate,channels", "format=duration",
// "format_tags:stream_tags"), of the first audio stream only, keyed as ffprobe names them
// ("sample_rate", "TAG:title"; a stream's tag over the file's of the same name); empty when
// ffprobe cannot read the file.
std::map<std::string, std::string> ProbeEntries(const std::string& File, const std::string& Entries);

// deraz-convert run from a private copy of its folder, so that it reads and writes its own
// Varidir.ini and never the one a developer's "./dev run" leaves beside the build.
// RunConverter runs it with Arguments (already quoted for the shell); its exit status, with
// both output streams in Output.
int RunConverter(const std::string& Arguments, std::string* Output = nullptr);
// The private copy's path; its folder holds its settings file.
std::string ConverterProgram();
// Puts a private copy of Program into Folder, beside links to the files of its own folder.
std::string CopyProgram(const std::string& Program, const std::filesystem::path& Folder);

// Makes a file or folder refuse writes, also for the superuser, while it lives; Made() is false
// when this system cannot.
class TReadOnly {
public:
    explicit TReadOnly(const std::filesystem::path& Path);
    ~TReadOnly();
    TReadOnly(const TReadOnly&) = delete;
    TReadOnly& operator=(const TReadOnly&) = delete;
    bool Made() const { return FMade; }

private:
    std::filesystem::path FPath;
    bool FMade;
};

} // namespace deraz::test
