// Monkey's Audio components: TMACOut compresses PCM into an ".ape" file, TMACIn decompresses
// one, both through the Monkey's Audio library.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "macdll/MACDll.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// Text of a library error code ("invalid input file" for 1002, "undefined (1234)" for a code
// the table does not know).
std::string MACErrorText(int32_t Code);

// A library error code reported as "MACDll error: " and the code's text, then ": " and Reason
// when one is given.
class EAPEException : public std::runtime_error {
public:
    explicit EAPEException(int32_t ErrorCode, const std::string& Reason = {});
    int32_t ErrorCode() const { return FErrorCode; }

private:
    int32_t FErrorCode;
};

// The library's compressor. Creating it raises EAPEException when the library refuses.
class TAPECompress {
public:
    TAPECompress();
    ~TAPECompress();
    TAPECompress(const TAPECompress&) = delete;
    TAPECompress& operator=(const TAPECompress&) = delete;

    int32_t ErrorCode() const { return FErrorCode; }
    // Creates the output file; 0 on success, else a library error code.
    int32_t Start(const std::string& FileName, const WAVEFORMATEX& Format, int32_t MaxAudioBytes,
                  int32_t CompressionLevel);
    // The library's input buffer and how many bytes may be put there.
    uint8_t* LockBuffer(int32_t& BytesAvailable);
    // Hands over BytesAdded bytes put into the buffer and compresses what it can; 0 on success.
    int32_t UnlockBuffer(int32_t BytesAdded);
    // Completes the file; 0 on success.
    int32_t Finish();
    // Abandons the file being written and removes it.
    void Kill();

private:
    APE_COMPRESS_HANDLE FHandle = nullptr;
    int32_t FErrorCode = 0;
};

// The library's decompressor for one file. Creating it raises EAPEException when the library
// reports an error; a missing handle without an error leaves Handle() null.
class TAPEDecompress {
public:
    explicit TAPEDecompress(std::string FileName);
    ~TAPEDecompress();
    TAPEDecompress(const TAPEDecompress&) = delete;
    TAPEDecompress& operator=(const TAPEDecompress&) = delete;

    APE_DECOMPRESS_HANDLE Handle() const { return FHandle; }
    const std::string& FileName() const { return FFileName; }
    int32_t ErrorCode() const { return FErrorCode; }
    // Decodes up to Blocks sample frames of interleaved PCM into Buffer; 0 on success.
    int32_t GetData(void* Buffer, int32_t Blocks, int32_t& BlocksRetrieved);
    // Later GetData calls start at sample frame Block; 0 on success.
    int32_t Seek(int32_t Block);
    int64_t Info(int Field);

private:
    APE_DECOMPRESS_HANDLE FHandle = nullptr;
    std::string FFileName;
    int32_t FErrorCode = 0;
};

// File sink that compresses its input into an ".ape" file: 8-, 16- or 24-bit mono or stereo PCM;
// other formats, and an input without audio, are refused with a one-line reason. A failed write
// names the system's reason after the library's error.
class TMACOut : public TACSFileOut {
public:
    explicit TMACOut(TComponent* AOwner = nullptr);
    ~TMACOut() override;

    // 1000 to 5000 in steps of 1000; 6000 stores 5000, any other value 2000.
    int32_t CompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(int32_t Value);
    // Upper bound of the audio bytes announced to the library at start; -1 leaves it open.
    int32_t MaxAudioBytes() const { return FMaxAudioBytes; }
    void SetMaxAudioBytes(int32_t Value) { FMaxAudioBytes = Value; }

protected:
    bool DoOutput(bool Abort) override;
    // The library creates the file itself.
    void Prepare() override;
    // Has the library write the header and seek table.
    void FinishOutput() override;
    void CloseOutput() override;

private:
    std::vector<uint8_t> FBuffer;
    std::unique_ptr<TAPECompress> FCompress;
    WAVEFORMATEX FFormat{};
    int64_t FAudioBytes = 0;
    bool FWriteFailed = false;
    bool EndOfStream = false;
    int32_t FCompressionLevel = 2000;
    int32_t FMaxAudioBytes = -1;
};

// File source that decompresses an ".ape" file.
class TMACIn : public TACSFileIn {
public:
    explicit TMACIn(TComponent* AOwner = nullptr);
    ~TMACIn() override;

    int32_t TotalTime() override;
    void Init() override;
    bool Seek(int64_t SampleNum) override;

protected:
    void OpenSource() override;
    void CloseSource() override;
    // Fills the decode buffer; sets EndOfStream at the end of the data or of the range that
    // EndSample closes.
    std::span<const uint8_t> Refill() override;

private:
    static constexpr int32_t BufferSize = 8192;

    std::array<uint8_t, BufferSize> FBuffer{};
    // Leaves the file not Valid, for this reason, with no format.
    void Refuse(std::string Reason);

    std::unique_ptr<TAPEDecompress> FDecompress;
    // The library's error code for the file the last opening refused.
    int32_t FOpenError = ERROR_INVALID_INPUT_FILE;
    bool EndOfStream = false;
};

} // namespace deraz
