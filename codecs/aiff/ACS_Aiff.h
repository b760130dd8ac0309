// AIFF and AIFF-C file source and sink.
#pragma once

#include <memory>
#include <vector>

#include "codecs/aiff/AiffHeader.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// Reads AIFF and AIFF-C: big-endian ("NONE", "twos") and little-endian ("sowt") integers of 1 to
// 32 bits in whole bytes, delivered at that width; 32- and 64-bit floats ("fl32", "fl64") as
// 24-bit integers clipped at full scale, with a Note; up to 8 channels. Files it cannot decode
// open without error, are not Valid and say why in DecodeError. A file whose sample data ends
// before the frames its "COMM" chunk declares raises at that point, naming the file.
class TAiffIn : public TACSFileIn {
public:
    using TACSFileIn::TACSFileIn;

    bool Seek(int64_t SampleNum) override;

protected:
    void OpenSource() override;
    void CloseSource() override;
    std::span<const uint8_t> Refill() override;

private:
    // Turns Frames frames of FStored into the pipeline's PCM in FBuffer.
    void Convert(int64_t Frames);

    static constexpr int64_t RefillFrames = 4096;
    std::unique_ptr<TWaveSource> FSource;
    TAiffHeader FHeader;
    int64_t FFrame = 0;
    std::vector<uint8_t> FStored;
    std::vector<uint8_t> FBuffer;
};

// Writes AIFF: signed big-endian integers of 8 to 32 bits, up to 8 channels, the sample rate
// exactly; the sizes are written back at the end. The format's 32-bit sizes hold at most 4 GiB.
class TAiffOut : public TACSFileOut {
public:
    using TACSFileOut::TACSFileOut;
    ~TAiffOut() override;

protected:
    bool DoOutput(bool Abort) override;
    void Prepare() override;
    // Writes the frame count and the chunk sizes, and the pad byte of odd data.
    void FinishOutput() override;

private:
    void WriteHeader(uint32_t Frames);

    int32_t FBytes = 0;
    int32_t FChannels = 0;
    uint32_t FSampleRate = 0;
    int64_t FDataBytes = 0;
    std::vector<uint8_t> FBuffer;
};

} // namespace deraz
