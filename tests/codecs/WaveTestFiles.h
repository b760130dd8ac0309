// Test files for the WAV components: made by sox and ffmpeg from generated music, or built chunk
// by chunk for headers no tool would write.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/ACS_Wave.h"
#include "tests/support/PipelineSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// Writes Frames of music-like 16-bit PCM and converts it with Tool ("sox" or "ffmpeg") using
// Options (sox: output options such as "-e ima-adpcm"; ffmpeg: "-c:a adpcm_ms -block_size 512").
inline std::string MakeToolWav(const TTempDir& Dir, const std::string& Name, const std::string& Tool,
                               const std::string& Options, int32_t Channels, int32_t Rate,
                               int32_t Frames = 30000) {
    std::string Source = Dir.File(Name + ".src.wav"), Made = Dir.File(Name);
    WritePcmWav(Source, MusicLikeSignal(Frames, Channels, Rate), Channels, Rate);
    std::string Command =
        Tool == "sox"
            ? "sox -V1 " + ShellQuote(Source) + " " + Options + " " + ShellQuote(Made)
            : "ffmpeg -nostdin -v error -y -i " + ShellQuote(Source) + " " + Options + " " + ShellQuote(Made);
    if (RunCommand(Command) != 0) throw std::runtime_error("failed: " + Command);
    return Made;
}

// The sample length of the first "fact" chunk of a WAV file, found by its ID.
inline uint32_t FactFrames(const std::string& FileName) {
    std::vector<uint8_t> Bytes = ReadFileBytes(FileName);
    const char Id[] = "fact";
    auto At = std::search(Bytes.begin(), Bytes.end(), Id, Id + 4);
    if (Bytes.end() - At < 12) throw std::runtime_error("no fact chunk in " + FileName);
    return GetLE32(&*At + 8);
}

// All the PCM a TWaveIn delivers for FileName.
inline std::vector<uint8_t> WaveInData(const std::string& FileName, int32_t PieceSize = 16384) {
    TWaveIn In;
    In.SetFileName(FileName);
    return ReadAllData(In, PieceSize);
}

// A RIFF WAVE image built chunk by chunk.
class TRiffImage {
public:
    TRiffImage& Chunk(const std::string& Id, const std::vector<uint8_t>& Body) {
        FBytes.insert(FBytes.end(), Id.begin(), Id.end());
        Put32(uint32_t(Body.size()));
        FBytes.insert(FBytes.end(), Body.begin(), Body.end());
        return *this;
    }
    TRiffImage& Raw(const std::vector<uint8_t>& Bytes) {
        FBytes.insert(FBytes.end(), Bytes.begin(), Bytes.end());
        return *this;
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> Out{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        PutLE32(&Out[4], uint32_t(FBytes.size() + 4));
        Out.insert(Out.end(), FBytes.begin(), FBytes.end());
        return Out;
    }
    void Save(const std::string& FileName) const { WriteFileBytes(FileName, Bytes()); }

private:
    void Put32(uint32_t Value) {
        uint8_t Field[4];
        PutLE32(Field, Value);
        FBytes.insert(FBytes.end(), Field, Field + 4);
    }
    std::vector<uint8_t> FBytes;
};

// A "fmt " body: the 16 common bytes, then any extension fields given.
inline std::vector<uint8_t> FormatBody(uint16_t Tag, uint16_t Channels, uint32_t Rate, uint16_t BlockAlign,
                                       uint16_t Bits, const std::vector<uint16_t>& Extension = {}) {
    std::vector<uint16_t> Fields{Tag, Channels};
    for (uint32_t Value : {Rate, Rate * BlockAlign})
        Fields.insert(Fields.end(), {uint16_t(Value), uint16_t(Value >> 16)});
    Fields.insert(Fields.end(), {BlockAlign, Bits});
    Fields.insert(Fields.end(), Extension.begin(), Extension.end());
    std::vector<uint8_t> Body;
    for (uint16_t Field : Fields) Body.insert(Body.end(), {uint8_t(Field), uint8_t(Field >> 8)});
    return Body;
}

inline std::vector<uint8_t> Le32(uint32_t Value) {
    std::vector<uint8_t> Out(4);
    PutLE32(Out.data(), Value);
    return Out;
}

} // namespace deraz::test
