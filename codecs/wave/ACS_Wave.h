// WAV file source and sink: uncompressed PCM, IMA ADPCM and Microsoft ADPCM in, PCM and IMA
// ADPCM out (also appended to an existing file).
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "codecs/wave/ImaAdpcm.h"
#include "codecs/wave/MsAdpcm.h"
#include "codecs/wave/WavChunkReader.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// Reads a RIFF WAVE file and delivers its PCM: 8-bit or 16-bit PCM as stored, ADPCM decoded to
// 16-bit. Files it cannot decode open without error, are not Valid and deliver no data.
class TWaveIn : public TACSFileIn {
public:
    using TACSFileIn::TACSFileIn;

    // The kind of data of the open file (wtUnsupported before any opening).
    TWavType WavType() const { return FWavType; }

    void OpenFile() override;
    void CloseFile() override;
    bool Seek(int64_t SampleNum) override;

    static constexpr int32_t DecodeBufferSize = 16384;

protected:
    std::span<const uint8_t> Refill() override;

private:
    void ReadHeader();
    // Checks the ADPCM layout against the decoder's limits and decodes the first block as a
    // check of its header; false when the file cannot be decoded.
    bool AdpcmDecodable();
    // Takes the format fields from the header walk's result, with no data yet.
    void TakeFormat();
    // Takes the data size of PCM.
    void TakePcm();
    // Takes the length of ADPCM: the "fact" chunk's frames, at most what the data's blocks hold.
    void TakeAdpcmLength();
    // Compressed data the Audio Compression Manager converts (MPEG Layer-3): the file is turned
    // into PCM in memory at once; a failed conversion leaves the file not Valid, with no data.
    void OpenAcm();
    // Refill by the kind of data: the bytes delivered, 0 at the end of the data.
    int32_t RefillPcm();
    int32_t RefillAdpcm();
    // Reads and decodes the next ADPCM block; the number of PCM bytes, 0 at the end of the data.
    int32_t DecodeNextBlock();
    int32_t FrameBytes() const { return FBitsPerSample / 8 * FChannels; }
    // Sample frames per ADPCM block.
    int32_t BlockFrames() const;

    alignas(4) std::array<uint8_t, DecodeBufferSize> FBuffer{};
    std::unique_ptr<TWaveSource> FSource;
    TWaveHeader FHeader;
    TWavType FWavType = wtUnsupported;
    // Whether data can be delivered (a file may be not Valid and still decodable).
    bool FDecodable = false;
    msadpcm::TCoefficients FCoefficients;
    std::vector<uint8_t> FBlock;
};

// Writes a RIFF WAVE file: PCM as it comes, or IMA ADPCM in blocks of BlockSize bytes. With
// FileMode foAppend, data is added to an existing PCM or IMA ADPCM file of the same format.
class TWaveOut : public TACSFileOut {
public:
    explicit TWaveOut(TComponent* AOwner = nullptr);
    ~TWaveOut() override;

    TWavType WavType() const { return FWavType; }
    // Takes wtPCM and wtDVIADPCM only, and only while not Busy.
    void SetWavType(TWavType Value);
    uint16_t BlockSize() const { return FBlockSize; }
    // Takes non-zero multiples of 4 only, and only while not Busy.
    void SetBlockSize(uint16_t Value);
    void SetFileMode(TFileOutputMode Value) override { FFileMode = Value; }

protected:
    bool DoOutput(bool Abort) override;
    void Prepare() override;
    // Rewrites the size fields that the data written makes known.
    void FinishOutput() override;

private:
    // Checks the input against the output format, then writes the header or moves to the end of
    // the file being appended to.
    void PrepareFormat();
    void ReadAppendHeader();
    void PreparePcm();
    void PrepareAdpcm();
    bool OutputPcm();
    bool OutputAdpcm();
    // Rewrites the size fields that the data written so far makes known.
    void CompleteHeader();
    void WriteAt(int64_t Offset, uint32_t Value);
    int32_t SamplesPerBlock() const { return ima::FramesPerBlock(FBlockSize, FChannels); }

    TWavType FWavType = wtPCM;
    uint16_t FBlockSize = 512;
    bool FEndOfInput = false;
    // Set up by Prepare for the run.
    int32_t FChannels = 0;
    bool FSizeKnown = false;
    uint32_t FInputFrames = 0;
    int64_t FFramesRead = 0;
    bool FAppending = false;
    TWaveHeader FAppendHeader;
    ima::TChannelState FIma[2];
    std::vector<uint8_t> FPcmBuffer;
    std::vector<int16_t> FBlockPcm;
    std::vector<uint8_t> FBlockData;
};

} // namespace deraz
