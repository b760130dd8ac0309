#include "tests/analysis/AnalysisTestSupport.h"

#include <cstdlib>
#include <stdexcept>

namespace deraz::test {

TProbe Probe(const std::string& FileName) {
    auto Stream = ProbeEntries(FileName, "stream=sample_rate,channels,bit_rate");
    auto Format = ProbeEntries(FileName, "format=duration,bit_rate");
    // ffprobe writes "N/A" for what it does not know; atof reads that as 0.
    auto Number = [](const std::string& Text) { return std::atof(Text.c_str()); };
    return {Number(Format["duration"]), int(Number(Stream["sample_rate"])), int(Number(Stream["channels"])),
            int64_t(Number(Stream["bit_rate"])), int64_t(Number(Format["bit_rate"]))};
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
