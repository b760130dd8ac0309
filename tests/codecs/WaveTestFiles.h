// Test files for the WAV components: made by sox and ffmpeg from generated music, or built chunk
// by chunk for headers no tool would write.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/wave/ACS_Wave.h"
#include "platform/ByteOrder.h"
#include "tests/support/PipelineSupport.h"
#include "tests/support/RiffImage.h"
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
    return LittleEndian32(reinterpret_cast<const uint8_t*>(&*At + 8));
}

// All the PCM a TWaveIn delivers for FileName.
inline std::vector<uint8_t> WaveInData(const std::string& FileName, int32_t PieceSize = 16384) {
    TWaveIn In;
    In.SetFileName(FileName);
    return ReadAllData(In, PieceSize);
}

} // namespace deraz::test
