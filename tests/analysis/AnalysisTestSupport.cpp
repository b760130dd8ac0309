#include "tests/analysis/AnalysisTestSupport.h"

#include <sstream>
#include <stdexcept>

namespace deraz::test {

TProbe Probe(const std::string& FileName) {
    std::string Text;
    RunCommand("ffprobe -v error -select_streams a:0 -show_entries "
               "stream=sample_rate,channels,bit_rate:format=duration,bit_rate -of default=nw=1 " +
                   ShellQuote(FileName),
               &Text);
    TProbe Result;
    std::istringstream Lines(Text);
    std::string Line;
    bool StreamRate = true; // stream entries come before the format's
    while (std::getline(Lines, Line)) {
        auto Equals = Line.find('=');
        if (Equals == std::string::npos) continue;
        std::string Key = Line.substr(0, Equals), Value = Line.substr(Equals + 1);
        if (Value == "N/A") {
            if (Key == "bit_rate") StreamRate = false;
            continue;
        }
        if (Key == "sample_rate") Result.SampleRate = std::stoi(Value);
        if (Key == "channels") Result.Channels = std::stoi(Value);
        if (Key == "duration") Result.Duration = std::stod(Value);
        if (Key == "bit_rate") {
            (StreamRate ? Result.StreamBitRate : Result.FormatBitRate) = std::stoll(Value);
            StreamRate = false;
        }
    }
    return Result;
}

std::string MakeWav(const TTempDir& Dir, const std::string& Name, double Seconds, int SampleRate,
                    int Channels, int Bits) {
    std::string File = Dir.File(Name);
    // -R: the same noise every run, so what lame leaves in the last frame never changes.
    RunTool("sox -R -n -r " + std::to_string(SampleRate) + " -b " + std::to_string(Bits) + " -c " +
            std::to_string(Channels) + " " + ShellQuote(File) + " synth " + std::to_string(Seconds) +
            " sine 220 pinknoise tremolo 3 40 gain -n -6");
    return File;
}

void RunTool(const std::string& Command) {
    std::string Output;
    int Status = RunCommand(Command, &Output);
    if (Status != 0) throw std::runtime_error("failed: " + Command + "\n" + Output);
}

void Append(TBytes& Out, const std::string& Text) {
    Out.insert(Out.end(), Text.begin(), Text.end());
}

void AppendLE32(TBytes& Out, uint32_t Value) {
    for (int I = 0; I < 4; ++I) Out.push_back(uint8_t(Value >> (8 * I)));
}

void AppendLE16(TBytes& Out, uint16_t Value) {
    Out.push_back(uint8_t(Value));
    Out.push_back(uint8_t(Value >> 8));
}

void AppendBE32(TBytes& Out, uint32_t Value) {
    for (int I = 3; I >= 0; --I) Out.push_back(uint8_t(Value >> (8 * I)));
}

void AppendZeros(TBytes& Out, size_t Count) {
    Out.insert(Out.end(), Count, 0);
}

} // namespace deraz::test
