#include "tests/support/TestSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace deraz::test {

namespace fs = std::filesystem;

TTempDir::TTempDir() {
    std::string Pattern = (fs::temp_directory_path() / "deraz-test-XXXXXX").string();
    if (!mkdtemp(Pattern.data())) throw std::runtime_error("mkdtemp failed");
    FPath = Pattern;
}

TTempDir::~TTempDir() {
    std::error_code Error;
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, Error);
    fs::remove_all(FPath, Error);
}

std::vector<int16_t> MusicLikeSignal(int32_t Frames, int32_t Channels, int32_t SampleRate, uint32_t Seed) {
    std::vector<int16_t> Samples(size_t(Frames) * Channels);
    std::mt19937 Random(Seed);
    std::normal_distribution<double> Noise(0.0, 1.0);
    const double Pi = 3.14159265358979323846;
    std::array<double, 4> Base{110.0, 164.8, 220.0, 277.2};
    for (int32_t Channel = 0; Channel < Channels; ++Channel) {
        double Drum = 0.0;
        for (int32_t Frame = 0; Frame < Frames; ++Frame) {
            double T = double(Frame) / SampleRate;
            double Value = 0.0;
            for (size_t Voice = 0; Voice < Base.size(); ++Voice) {
                double Frequency =
                    Base[Voice] * (1.0 + 0.002 * Channel) * (1.0 + 0.003 * std::sin(2 * Pi * 5 * T));
                for (int Harmonic = 1; Harmonic <= 4; ++Harmonic)
                    Value += std::sin(2 * Pi * Frequency * Harmonic * T + Voice + Channel) / (Harmonic * 2.0);
            }
            if (Frame % (SampleRate / 2 + 1) == 0) Drum = 1.0;
            Drum *= 0.9995;
            Value = Value * 0.12 * (0.6 + 0.4 * std::sin(2 * Pi * 0.25 * T)) + Drum * 0.25 * Noise(Random) +
                    0.01 * Noise(Random);
            Samples[size_t(Frame) * Channels + Channel] =
                static_cast<int16_t>(std::lround(std::clamp(Value, -1.0, 1.0) * 32767.0));
        }
    }
    return Samples;
}

std::vector<uint8_t> ToUnsigned8(const std::vector<int16_t>& Samples) {
    std::vector<uint8_t> Result(Samples.size());
    for (size_t I = 0; I < Samples.size(); ++I) Result[I] = static_cast<uint8_t>((Samples[I] >> 8) + 128);
    return Result;
}

namespace {
void Put16(std::vector<uint8_t>& Out, uint32_t Value) {
    Out.push_back(Value & 0xFF);
    Out.push_back((Value >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& Out, uint32_t Value) {
    Put16(Out, Value & 0xFFFF);
    Put16(Out, Value >> 16);
}
} // namespace

void WritePcmWav(const std::string& FileName, const void* Data, size_t Bytes, int32_t Channels,
                 int32_t SampleRate, int32_t BitsPerSample) {
    std::vector<uint8_t> Out;
    uint32_t Align = uint32_t(Channels * BitsPerSample / 8);
    Out.insert(Out.end(), {'R', 'I', 'F', 'F'});
    Put32(Out, uint32_t(36 + Bytes));
    Out.insert(Out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(Out, 16);
    Put16(Out, 1);
    Put16(Out, uint32_t(Channels));
    Put32(Out, uint32_t(SampleRate));
    Put32(Out, uint32_t(SampleRate) * Align);
    Put16(Out, Align);
    Put16(Out, uint32_t(BitsPerSample));
    Out.insert(Out.end(), {'d', 'a', 't', 'a'});
    Put32(Out, uint32_t(Bytes));
    const auto* Bytes8 = static_cast<const uint8_t*>(Data);
    Out.insert(Out.end(), Bytes8, Bytes8 + Bytes);
    WriteFileBytes(FileName, Out);
}

void WritePcmWav(const std::string& FileName, const std::vector<int16_t>& Samples, int32_t Channels,
                 int32_t SampleRate) {
    WritePcmWav(FileName, Samples.data(), Samples.size() * 2, Channels, SampleRate, 16);
}

std::vector<uint8_t> ReadFileBytes(const std::string& FileName) {
    std::ifstream In(FileName, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

std::vector<std::string> FilesWithExtension(const std::filesystem::path& Directory,
                                            const std::string& Extension) {
    std::vector<std::string> Result;
    for (const auto& Entry : std::filesystem::directory_iterator(Directory))
        if (Entry.path().extension() == Extension) Result.push_back(Entry.path().string());
    return Result;
}

void WriteFileBytes(const std::string& FileName, const std::vector<uint8_t>& Bytes) {
    std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
    if (!Out) throw std::runtime_error("cannot write " + FileName);
}

int RunCommand(const std::string& Command, std::string* OutputText) {
    FILE* Pipe = popen((Command + " 2>&1").c_str(), "r");
    if (!Pipe) return -1;
    std::array<char, 4096> Chunk;
    size_t Got;
    while ((Got = fread(Chunk.data(), 1, Chunk.size(), Pipe)) > 0)
        if (OutputText) OutputText->append(Chunk.data(), Got);
    int Status = pclose(Pipe);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

int RunIn(const fs::path& Folder, const std::string& Command, std::string* OutputText) {
    return RunCommand("cd " + ShellQuote(Folder.string()) + " && { " + Command + "; }", OutputText);
}

bool ToolAvailable(const std::string& Program) {
    return RunCommand("command -v " + ShellQuote(Program) + " >/dev/null") == 0;
}

std::string ShellQuote(const std::string& Text) {
    std::string Result = "'";
    for (char C : Text) Result += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Result + "'";
}

std::vector<uint8_t> DecodeWithFfmpeg(const std::string& FileName, const std::string& Format) {
    TTempDir Dir;
    std::string Raw = Dir.File("decoded.raw");
    if (RunCommand("ffmpeg -nostdin -v error -y -i " + ShellQuote(FileName) + " -f " + Format + " " +
                   ShellQuote(Raw)) != 0)
        return {};
    return ReadFileBytes(Raw);
}

std::vector<double> ChannelSnrDb(const std::vector<int16_t>& Reference, const std::vector<int16_t>& Test,
                                 int32_t Channels) {
    std::vector<double> Result;
    for (int32_t Channel = 0; Channel < Channels; ++Channel) {
        std::vector<int16_t> Wanted, Got;
        for (size_t I = size_t(Channel); I < Reference.size(); I += size_t(Channels))
            Wanted.push_back(Reference[I]);
        for (size_t I = size_t(Channel); I < Test.size(); I += size_t(Channels)) Got.push_back(Test[I]);
        Result.push_back(SignalToNoiseDb(Wanted, Got));
    }
    return Result;
}

double WorstChannelSnrDb(const std::vector<int16_t>& Reference, const std::vector<int16_t>& Test,
                         int32_t Channels) {
    auto Each = ChannelSnrDb(Reference, Test, Channels);
    return Each.empty() ? 0.0 : *std::min_element(Each.begin(), Each.end());
}

double PeerWorstChannelSnrDb(const std::vector<int16_t>& Samples, int32_t Channels, int32_t SampleRate,
                             const std::string& Extension) {
    TTempDir Dir;
    WritePcmWav(Dir.File("pcm.wav"), Samples, Channels, SampleRate);
    if (!EncodeWithPeerTool(Dir.File("pcm.wav"), Extension, Dir.File("peer" + Extension))) return -1000.0;
    // At the input's rate: Opus decodes at 48 kHz.
    return WorstChannelSnrDb(Samples,
                             BytesToSamples(DecodeWithFfmpeg(Dir.File("peer" + Extension),
                                                             "s16le -ar " + std::to_string(SampleRate))),
                             Channels);
}

std::vector<int16_t> BytesToSamples(const std::vector<uint8_t>& Bytes) {
    std::vector<int16_t> Samples(Bytes.size() / 2);
    if (!Samples.empty()) std::memcpy(Samples.data(), Bytes.data(), Samples.size() * 2);
    return Samples;
}

std::vector<uint8_t> SamplesToBytes(const std::vector<int16_t>& Samples) {
    std::vector<uint8_t> Bytes(Samples.size() * 2);
    if (!Bytes.empty()) std::memcpy(Bytes.data(), Samples.data(), Bytes.size());
    return Bytes;
}

bool EncodeWithPeerTool(const std::string& Wav, const std::string& Extension, const std::string& Out) {
    std::string In = ShellQuote(Wav), Target = ShellQuote(Out);
    if (Extension == ".wav") return RunCommand("cp " + In + " " + Target) == 0;
    if (Extension == ".mp3") return RunCommand("lame --quiet -b 128 " + In + " " + Target) == 0;
    if (Extension == ".fla" || Extension == ".flac")
        return RunCommand("flac -s -f -o " + Target + " " + In) == 0;
    if (Extension == ".ogg") return RunCommand("oggenc -Q -o " + Target + " " + In) == 0;
    if (Extension == ".opus") return RunCommand("opusenc --quiet " + In + " " + Target) == 0;
    if (Extension == ".m4a")
        return RunCommand("ffmpeg -nostdin -v error -y -i " + In + " -c:a aac -b:a 192k " + Target) == 0;
    if (Extension == ".wv") return RunCommand("wavpack -q -y " + In + " -o " + Target) == 0;
    if (Extension == ".aiff") return RunCommand("sox " + In + " " + Target) == 0;
    // jmac exits 0 even when it fails: look for its output.
    if (Extension == ".ape")
        return ToolAvailable("jmac") && RunCommand("jmac c2 " + In + " " + Target + " >/dev/null") == 0 &&
               fs::exists(Out) && fs::file_size(Out) > 0;
    return false;
}

std::map<std::string, std::string> ProbeEntries(const std::string& File, const std::string& Entries) {
    std::string Text;
    std::map<std::string, std::string> Result;
    // Errors are left out of the text parsed.
    RunCommand("(ffprobe -v error -select_streams a:0 -show_entries " + Entries + " -of default=nw=1 " +
                   ShellQuote(File) + " 2>/dev/null)",
               &Text);
    std::istringstream Lines(Text);
    for (std::string Line; std::getline(Lines, Line);)
        if (auto Equals = Line.find('='); Equals != std::string::npos)
            Result[Line.substr(0, Equals)] = Line.substr(Equals + 1);
    return Result;
}

std::string CopyProgram(const std::string& Program, const fs::path& Folder) {
    fs::create_directories(Folder);
    fs::path Source(Program), Copy = Folder / Source.filename();
    // A hard link is a copy for /proc/self/exe, which names the link it was started through.
    std::error_code Error;
    fs::create_hard_link(Source, Copy, Error);
    if (Error) fs::copy_file(Source, Copy);
    for (const auto& Entry : fs::directory_iterator(Source.parent_path()))
        if (auto Name = Entry.path().filename(); Name != Source.filename() && Name != "Varidir.ini")
            fs::create_symlink(Entry.path(), Folder / Name);
    return Copy.string();
}

std::string ConverterProgram() {
    static TTempDir Folder;
    // Open to every user: some tests run the program as an unprivileged one.
    static std::string Program = [] {
        fs::permissions(Folder.Path(), fs::perms::all & ~(fs::perms::group_write | fs::perms::others_write));
        return CopyProgram(DERAZ_CONVERT_PROGRAM, Folder.Path());
    }();
    return Program;
}

int RunConverter(const std::string& Arguments, std::string* Output) {
    return RunCommand(ShellQuote(ConverterProgram()) + " " + Arguments, Output);
}

TReadOnly::TReadOnly(const fs::path& Path) : FPath(Path) {
    auto Name = ShellQuote(Path.string());
    FMade = RunCommand(geteuid() != 0 ? "chmod a-w " + Name : "chattr +i " + Name + " 2>/dev/null") == 0;
}

TReadOnly::~TReadOnly() {
    auto Name = ShellQuote(FPath.string());
    RunCommand("chattr -i " + Name + " 2>/dev/null; chmod u+w " + Name);
}

} // namespace deraz::test
