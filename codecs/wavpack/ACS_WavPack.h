// WavPack file source and sink on the WavPack library.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <wavpack/wavpack.h>

#include "codecs/OwnedHandle.h"
#include "codecs/wavpack/BackgroundMd5.h"
#include "macdll/Checksums.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

using TWavPackHandle = TOwnedHandle<WavpackContext, WavpackContext*>;

// Decodes a WavPack file of 1 to 8 channels: integers of 1 to 4 bytes as stored (channels in the
// order of their mask, which is WAV's), 32-bit floats as 24-bit integers clipped at full scale
// (with a Note). A hybrid file is read with its correction file (".wvc" beside it) when there is
// one, otherwise as its lossy part, with a Note. A read from the start to the end checks the
// length and the MD5 sum the file stores; a damaged or cut file, or a sum that does not match,
// raises with the file's name and where the audio went wrong.
class TWavPackIn : public TACSFileIn {
public:
    // Raises when the WavPack library is missing.
    explicit TWavPackIn(TComponent* AOwner = nullptr);
    ~TWavPackIn() override;

    bool Seek(int64_t SampleNum) override;

protected:
    void OpenSource() override;
    void CloseSource() override;
    std::span<const uint8_t> Refill() override;

private:
    // Takes the format of the opened file; why it cannot be delivered, empty when it can.
    std::string TakeFormat();
    // Converts Frames decoded frames into the pipeline's PCM in FBuffer and adds them to the sum.
    void Deliver(uint32_t Frames);
    // At the end of the data: the length and the stored sum checked.
    void CheckEnd();
    [[noreturn]] void Fail(const std::string& What) const;

    std::unique_ptr<TFileStream> FCorrection;
    TWavPackHandle FContext;
    int32_t FStoredBytes = 0;
    bool FFloat = false;
    // The read started at the first sample, so that the sum can be checked.
    bool FFromStart = true;
    bool FCheckSum = false;
    std::array<uint8_t, 16> FStoredSum{};
    TBackgroundMd5 FSum; // made beside the decoding
    int64_t FFramesDecoded = 0;
    std::vector<int32_t> FSamples;
    std::vector<uint8_t> FSumBytes;
    std::vector<uint8_t> FBuffer;
};

// Encodes 8- to 32-bit integer PCM of 1 to 8 channels into a lossless WavPack file with the
// channel mask of the usual layouts and the MD5 sum of the audio. Mode selects the library's
// fast, default, high or very high mode (0 to 3).
class TWavPackOut : public TACSFileOut {
public:
    explicit TWavPackOut(TComponent* AOwner = nullptr);
    ~TWavPackOut() override;

    int32_t Mode() const { return FMode; }
    void SetMode(int32_t Value) { FMode = Value; }

protected:
    bool DoOutput(bool Abort) override;
    void Prepare() override;
    // Writes the last blocks and the sum, and the sample count into the first block.
    void FinishOutput() override;
    void CloseOutput() override;

private:
    static int WriteBlock(void* Client, void* Data, int32_t Count);
    void Configure();
    [[noreturn]] void FailEncoding() const;

    int32_t FMode = 1;
    TWavPackHandle FContext;
    int32_t FBytes = 0;
    int32_t FChannels = 0;
    int64_t FFrames = 0;
    ape::TMd5 FSum;
    // The first block as written, rewritten at the end with the real sample count.
    std::vector<uint8_t> FFirstBlock;
    std::string FWriteError;
    std::vector<uint8_t> FBuffer;
    std::vector<int32_t> FSamples;
};

} // namespace deraz
