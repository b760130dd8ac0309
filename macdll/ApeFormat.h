// The layout of an .ape file: descriptor, header, seek table and the stored WAV wrapper.
#pragma once

#include "macdll/File.h"

#include <array>
#include <cstdint>
#include <vector>

namespace deraz::ape {

constexpr int32_t CurrentVersion = 3990;
constexpr int32_t OldestVersion = 3950;
constexpr uint32_t DescriptorBytes = 52;
constexpr uint32_t HeaderBytes = 24;
constexpr uint32_t MaxWrapperBytes = 8 * 1024 * 1024; // stored WAV header or trailer
constexpr uint16_t FlagCreateWavHeader = 32;

// Blocks per frame that the encoder uses at a level (1000 ... 5000).
uint32_t BlocksPerFrameForLevel(int32_t Level);
inline bool ValidLevel(int32_t Level) {
    return Level >= 1000 && Level <= 5000 && Level % 1000 == 0;
}

struct TApeFileInfo {
    int32_t Version = 0;
    int32_t Level = 0;
    uint16_t Flags = 0;
    int32_t Channels = 0;
    int32_t BitsPerSample = 0;
    int32_t SampleRate = 0;
    uint32_t BlocksPerFrame = 0;
    uint32_t FinalFrameBlocks = 0;
    uint32_t TotalFrames = 0;
    uint32_t TerminatingBytes = 0;
    std::array<uint8_t, 16> Md5{};
    std::vector<uint8_t> HeaderData;   // the stored WAV header (empty when none)
    std::vector<uint8_t> Terminating;  // the stored bytes after the PCM
    int64_t FrameDataStart = 0;        // file position of frame 0
    int64_t FrameDataBytes = 0;        // length of the frame data region present in the file
    std::vector<int64_t> FrameOffsets; // logical offset of each frame in the frame data, and the end

    int32_t BlockAlign() const { return Channels * (BitsPerSample / 8); }
    int64_t TotalBlocks() const {
        return TotalFrames ? int64_t(TotalFrames - 1) * BlocksPerFrame + FinalFrameBlocks : 0;
    }
    uint32_t FrameBlocks(uint32_t Frame) const {
        return Frame + 1 == TotalFrames ? FinalFrameBlocks : BlocksPerFrame;
    }
};

// Reads and checks everything but the frames. Returns 0 or an error code of MACDll.h.
int ReadApeFileInfo(TFile& File, TApeFileInfo& Info);

// Little-endian field writers for the encoder.
void PutU16(uint8_t* To, uint32_t V);
void PutU32(uint8_t* To, uint32_t V);

} // namespace deraz::ape
