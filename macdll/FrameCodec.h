// Coding of one frame: PCM bytes to the frame's logical bytes and back.
#pragma once

#include "macdll/NNFilter.h"
#include "macdll/Predictor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deraz::ape {

struct TFrameFormat {
    int32_t Version;
    int32_t Level;
    int32_t Channels;
    int32_t BitsPerSample;
    int32_t BlockAlign() const { return Channels * (BitsPerSample / 8); }
};

// The prediction of one coded channel: stages 1 and 2 and the level's NN filters (in the
// encoder's order).
struct TChannelPredictor {
    TChannelPredictor(int32_t Level, bool NewStepRule);
    void Reset();

    TPredictor Stages;
    std::vector<TNNFilter> Filters;
};

class TFrameEncoder {
public:
    // Interim: the exact arithmetic some older encoders used for 24-bit audio; decoders try it
    // when a frame fails its checksum. Our files use the standard arithmetic.
    TFrameEncoder(int32_t Level, int32_t Channels, int32_t BitsPerSample, bool Interim = false);
    // Appends the logical bytes of a frame of Blocks blocks of PCM to Out.
    void Encode(const uint8_t* Pcm, uint32_t Blocks, std::vector<uint8_t>& Out);

private:
    TFrameFormat FFormat;
    bool FInterim;
    TChannelPredictor FX, FY;
    std::vector<int32_t> FValuesX, FValuesY;
};

class TFrameDecoder {
public:
    explicit TFrameDecoder(const TFrameFormat& Format);
    // Decodes the frame in Data (its logical bytes, possibly followed by more) into Blocks blocks
    // of PCM. Returns 0, ERROR_INVALID_CHECKSUM or ERROR_DECOMPRESSING_FRAME (MACDll.h).
    int Decode(const uint8_t* Data, size_t Bytes, uint32_t Blocks, uint8_t* Pcm);

private:
    int DecodeResiduals(const uint8_t* Data, size_t Bytes, uint32_t Blocks);
    void Reconstruct(uint32_t Blocks, bool Interim);
    int DecodeOnce(const uint8_t* Data, size_t Bytes, uint32_t Blocks, uint8_t* Pcm, bool Interim);

    TFrameFormat FFormat;
    TChannelPredictor FX, FY;
    std::vector<int32_t> FValuesX, FValuesY;
    uint32_t FCrc = 0;
    uint32_t FSpecial = 0;
    bool FInterim = false; // older 24-bit files: exact sums, kept once a frame needed them
};

} // namespace deraz::ape
