// WAV file source and sink: integer and float PCM (plain, extensible, RF64), IMA ADPCM and
// Microsoft ADPCM in, PCM and IMA ADPCM out (also appended to an existing file).
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "codecs/wave/ImaAdpcm.h"
#include "codecs/wave/MsAdpcm.h"
#include "codecs/wave/WavChunkReader.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// Reads a RIFF, RF64 or BW64 WAVE file and delivers its PCM: 8- to 32-bit integers as stored,
// 32- and 64-bit floats as 24-bit integers clipped at full scale, ADPCM decoded to 16-bit; up to 8
// channels. Files it cannot decode open without error, are not Valid, say why in DecodeError and
// deliver no data.
class TWaveIn : public TACSFileIn {
public:
    using TACSFileIn::TACSFileIn;

    // The kind of data of the open file (wtUnsupported before any opening).
    TWavType WavType() const { return FWavType; }

    bool Seek(int64_t SampleNum) override;

    static constexpr int32_t DecodeBufferSize = 16384;

protected:
    void OpenSource() override;
    void CloseSource() override;
    std::span<const uint8_t> Refill() override;

private:
    void ReadHeader();
    // Leaves the file not Valid, for this reason.
    void Refuse(std::string Reason);
    void TakeAdpcm();
    // Checks the ADPCM layout against the decoder's limits and decodes the first block as a
    // check of its header; why the file cannot be decoded, empty when it can.
    std::string AdpcmProblem();
    // Takes the format fields from the header walk's result, with no data yet.
    void TakeFormat();
    // Checks the format of integer or float PCM and takes its data size.
    void TakePcm();
    // Takes the length of ADPCM: the "fact" chunk's frames, at most what the data's blocks hold.
    void TakeAdpcmLength();
    // Compressed data the Audio Compression Manager converts (MPEG Layer-3): the file is turned
    // into PCM in memory at once; a failed conversion leaves the file not Valid, with no data.
    void OpenAcm();
    // Refill by the kind of data: the bytes delivered, 0 at the end of the data.
    int32_t RefillPcm();
    int32_t RefillFloat();
    int32_t RefillAdpcm();
    // Whole frames of PCM that the next refill delivers.
    int64_t FramesToRefill() const;
    // Reads and decodes the next ADPCM block; the number of PCM bytes, 0 at the end of the data.
    int32_t DecodeNextBlock();
    // Bytes of a frame as delivered and as stored in the file.
    int32_t FrameBytes() const { return FBitsPerSample / 8 * FChannels; }
    int32_t StoredFrameBytes() const { return FHeader.BitsPerSample / 8 * FChannels; }
    // Sample frames per ADPCM block.
    int32_t BlockFrames() const;

    alignas(4) std::array<uint8_t, DecodeBufferSize> FBuffer{};
    std::unique_ptr<TWaveSource> FSource;
    TWaveHeader FHeader;
    TWavType FWavType = wtUnsupported;
    // Whether data can be delivered (a file may be not Valid and still decodable).
    bool FDecodable = false;
    msadpcm::TCoefficients FCoefficients;
    // An ADPCM block, or the float samples of a refill, as stored.
    std::vector<uint8_t> FBlock;
};

// Writes a RIFF WAVE file: PCM as it comes (8- to 32-bit, WAVE_FORMAT_EXTENSIBLE beyond 2 channels
// or 16 bits, RF64 beyond 4 GiB), or IMA ADPCM in blocks of BlockSize bytes. With FileMode
// foAppend, data is added to an existing PCM or IMA ADPCM file of the same format.
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
    // Writes data, refusing to let a file without room for RF64 sizes pass 4 GiB.
    void WriteData(const uint8_t* Data, int32_t Count);
    // Rewrites the size fields that the data written so far makes known.
    void CompleteHeader();
    // Turns the file into RF64: its 64-bit sizes go into the chunk reserved for "ds64".
    void WriteRf64Sizes(int64_t Length, int64_t DataSize);
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
    int32_t FFrameBytes = 0;
    // The data size the header was written with.
    int64_t FDeclaredData = 0;
    bool FAppending = false;
    TWaveHeader FAppendHeader;
    // Where the file's data and size fields are.
    struct TLayout {
        int64_t DataOffset = 0;
        int64_t DataSizeOffset = 0;
        // The "ds64" chunk or the "JUNK" chunk reserved for it; -1 without either.
        int64_t Ds64Offset = -1;
        bool Rf64 = false;
    } FLayout;
    ima::TChannelState FIma[2];
    std::vector<uint8_t> FPcmBuffer;
    std::vector<int16_t> FBlockPcm;
    std::vector<uint8_t> FBlockData;
};

} // namespace deraz
