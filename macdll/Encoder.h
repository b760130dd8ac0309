// Writing an .ape file (version 3990) from PCM that arrives piece by piece. Memory stays at
// one frame of PCM however long the input is.
#pragma once

#include "macdll/ApeFormat.h"
#include "macdll/Checksums.h"
#include "macdll/FrameCodec.h"

#include <memory>
#include <string>

namespace deraz::ape {

struct TPcmFormat {
    int32_t SampleRate;
    int32_t BitsPerSample;
    int32_t Channels;
};

class TEncoder {
public:
    // Creates the file. MaxAudioBytes < 0: length unknown. HeaderData null: no WAV header stored.
    static int Start(const std::string& FileName, const TPcmFormat& Format, int64_t MaxAudioBytes,
                     int32_t Level, const uint8_t* HeaderData, size_t HeaderDataBytes,
                     std::unique_ptr<TEncoder>& Encoder);
    ~TEncoder();

    // The free part of the input buffer.
    uint8_t* Buffer() { return FInput.data() + FInputFill; }
    size_t BufferFree() const { return FInput.size() - FInputFill; }
    // Takes Bytes bytes written into Buffer(); compresses every complete frame.
    int Commit(size_t Bytes);
    int AddData(const uint8_t* Data, size_t Bytes);
    // Compresses the rest, appends the terminating data and completes the file.
    int Finish(const uint8_t* Terminating, size_t TerminatingBytes, size_t WavTerminatingBytes);
    // Abandons the file and removes it.
    void Kill();

private:
    TEncoder(std::unique_ptr<TFile> File, std::string FileName, const TPcmFormat& Format, int32_t Level);
    int EncodeFrame(uint32_t Blocks);
    // Frame data in logical order, stored in reversed 4-byte groups.
    int PutLogical(const uint8_t* Data, size_t Bytes);
    int FlushStored();
    int GrowSeekTable(uint32_t Entries);
    int WriteHeaders(uint32_t SeekEntries, uint32_t FinalFrameBlocks, size_t WavTerminatingBytes);

    std::unique_ptr<TFile> FFile;
    std::string FFileName;
    TPcmFormat FFormat;
    int32_t FLevel;
    uint32_t FBlocksPerFrame;
    bool FHeaderStored = false;
    uint32_t FHeaderDataBytes = 0;
    uint32_t FSeekEntries = 0;          // entries reserved in the file
    std::vector<uint64_t> FFrameStarts; // logical offset of each frame
    std::vector<uint8_t> FInput;        // one frame of PCM
    size_t FInputFill = 0;
    TFrameEncoder FFrameEncoder;
    std::vector<uint8_t> FFrameBytes; // the current frame's logical bytes
    uint8_t FPending[4] = {};         // logical bytes not yet forming a whole group
    size_t FPendingCount = 0;
    std::vector<uint8_t> FStored; // stored bytes waiting to be written
    uint64_t FLogicalBytes = 0;
    int64_t FWritePos = 0; // file position of the next stored byte
    TMd5 FMd5;
    bool FFinished = false;
};

} // namespace deraz::ape
