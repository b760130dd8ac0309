// FLAC file sink and source on the FLAC library's stream encoder and decoder.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>

#include "codecs/OwnedHandle.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// Encodes 8-, 16- or 24-bit PCM of 1 to 8 channels from its input into a FLAC file, one block of
// BlockSize frames per step; other inputs are refused in Prepare. The pipeline's 8-bit PCM is
// unsigned, FLAC's signed: 8-bit samples are shifted by 128. A failed write ends the conversion
// with "Failed to encode data." and the system's reason. The file keeps 4 KiB of padding after its
// stream information, so that tags written afterwards (copied from the input, ReplayGain) go in
// place instead of moving all of the audio.
class TFLACOut : public TACSFileOut {
public:
    explicit TFLACOut(TComponent* AOwner = nullptr);
    ~TFLACOut() override;

    bool BestModelSearch() const { return FBestModelSearch; }
    // True also turns mid-side stereo on and loose mid-side stereo off.
    void SetBestModelSearch(bool Value);
    uint16_t BlockSize() const { return FBlockSize; }
    void SetBlockSize(uint16_t Value) { FBlockSize = Value; }
    bool EnableMidSideStereo() const { return FEnableMidSideStereo; }
    void SetEnableMidSideStereo(bool Value) { FEnableMidSideStereo = Value; }
    bool EnableLooseMidSideStereo() const { return FEnableLooseMidSideStereo; }
    // True also turns mid-side stereo on.
    void SetEnableLooseMidSideStereo(bool Value);
    uint16_t MaxLPCOrder() const { return FMaxLPCOrder; }
    void SetMaxLPCOrder(uint16_t Value) { FMaxLPCOrder = Value; }
    uint16_t MaxResidualPartitionOrder() const { return FMaxResidualPartitionOrder; }
    void SetMaxResidualPartitionOrder(uint16_t Value) { FMaxResidualPartitionOrder = Value; }
    uint16_t MinResidualPartitionOrder() const { return FMinResidualPartitionOrder; }
    void SetMinResidualPartitionOrder(uint16_t Value) { FMinResidualPartitionOrder = Value; }
    // Lowered by Prepare so that it and the input's sample width add up to at most 31.
    uint16_t QLPCoeffPrecision() const { return FQLPCoeffPrecision; }
    void SetQLPCoeffPrecision(uint16_t Value) { FQLPCoeffPrecision = Value; }
    bool QLPCoeffPrecisionSearch() const { return FQLPCoeffPrecisionSearch; }
    void SetQLPCoeffPrecisionSearch(bool Value) { FQLPCoeffPrecisionSearch = Value; }
    bool Verify() const { return FVerify; }
    void SetVerify(bool Value) { FVerify = Value; }
    // A preset of the library, 0 to 8 (the flac tool's -0 to -8), which then makes every choice
    // the settings above make; -1 (the default) encodes with those settings instead.
    int32_t CompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(int32_t Value) { FCompressionLevel = Value; }

protected:
    bool DoOutput(bool Abort) override;
    void Prepare() override;
    // Finishes the encoder: the last block, the stream information written back.
    void FinishOutput() override;
    // Deletes the encoder without finishing it and closes the file.
    void CloseOutput() override;

private:
    static FLAC__StreamEncoderWriteStatus WriteCallback(const FLAC__StreamEncoder*, const FLAC__byte Buffer[],
                                                        size_t Bytes, uint32_t Samples, uint32_t Frame,
                                                        void* Client);
    static FLAC__StreamEncoderSeekStatus SeekCallback(const FLAC__StreamEncoder*, FLAC__uint64 Offset,
                                                      void* Client);
    static FLAC__StreamEncoderTellStatus TellCallback(const FLAC__StreamEncoder*, FLAC__uint64* Offset,
                                                      void* Client);

    // Sets up the encoder for the input's format; the input has been initialised.
    void ConfigureEncoder();
    // Passes the settings of the properties to the encoder, for Bits-bit samples.
    void ApplySettings(int32_t Bits);
    // Turns the first Bytes of the PCM buffer into signed samples; returns the whole frames.
    uint32_t ConvertSamples(int32_t Bytes);
    // Keeps the system's reason of a failed write for the error that ends the conversion.
    void NoteWriteError(const std::exception& E);
    [[noreturn]] void FailEncoding();

    std::vector<uint8_t> FBuffer;
    std::vector<FLAC__int32> FSamples;
    TOwnedHandle<FLAC__StreamEncoder> FEncoder;
    std::string FWriteError;
    // The encoder reads its metadata blocks until it finishes.
    FLAC__StreamMetadata FPadding{};
    int32_t FBytesPerSample = 0;
    int32_t FChannels = 0;
    bool FVerify = false;
    uint16_t FBlockSize = 4608;
    bool FBestModelSearch = false;
    bool FEnableMidSideStereo = true;
    uint16_t FMaxLPCOrder = 0;
    bool EndOfStream = false;
    bool FEnableLooseMidSideStereo = false;
    uint16_t FQLPCoeffPrecision = 0;
    bool FQLPCoeffPrecisionSearch = false;
    uint16_t FMaxResidualPartitionOrder = 0;
    uint16_t FMinResidualPartitionOrder = 0;
    int32_t FCompressionLevel = -1;
};

// Decodes a FLAC file of 1 to 8 channels and 4 to 32 bits into PCM of 8, 16, 24 or 32 bits (other
// depths widened to the next whole byte), channels in FLAC's order (WAV's), one decoded block per
// refill. A read ends exactly after the samples the stream information declares (or at EndSample);
// a stream that declares none is read to its end. A file in any other format, or on which the
// decoder reports an error, is not Valid (DecodeError says why), and reading it raises "Error
// reading FLAC file", as does a file that ends short of its declared length.
class TFLACIn : public TACSFileIn {
public:
    explicit TFLACIn(TComponent* AOwner = nullptr);
    ~TFLACIn() override;

    bool Seek(int64_t SampleNum) override;

    // The smallest frame in bytes that the stream information declares (0: not declared).
    int32_t MinFrameSize() const { return FMinFrameSize; }

protected:
    void OpenSource() override;
    void CloseSource() override;
    std::span<const uint8_t> Refill() override;

private:
    // What the next Refill does.
    enum TReadStage {
        rsDecode,     // decodes the next block
        rsBlockReady, // serves the block already decoded (a seek decodes the block it lands in)
        rsEnded,      // nothing: the stream ended, until the read starts over
    };

    static FLAC__StreamDecoderReadStatus ReadCallback(const FLAC__StreamDecoder*, FLAC__byte Buffer[],
                                                      size_t* Bytes, void* Client);
    static FLAC__StreamDecoderSeekStatus SeekCallback(const FLAC__StreamDecoder*, FLAC__uint64 Offset,
                                                      void* Client);
    static FLAC__StreamDecoderTellStatus TellCallback(const FLAC__StreamDecoder*, FLAC__uint64* Offset,
                                                      void* Client);
    static FLAC__StreamDecoderLengthStatus LengthCallback(const FLAC__StreamDecoder*, FLAC__uint64* Length,
                                                          void* Client);
    static FLAC__bool EofCallback(const FLAC__StreamDecoder*, void* Client);
    static FLAC__StreamDecoderWriteStatus WriteCallback(const FLAC__StreamDecoder*, const FLAC__Frame* Frame,
                                                        const FLAC__int32* const Channels[], void* Client);
    static void MetadataCallback(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* Block, void* Client);
    static void ErrorCallback(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* Client);

    void ReadStreamInfo(const FLAC__StreamMetadata_StreamInfo& Info);
    void StoreBlock(const FLAC__Frame& Frame, const FLAC__int32* const Channels[]);
    // Decodes the next block into the block buffer; the stage stays rsDecode at the end of the
    // stream.
    void DecodeBlock();
    // Whether Size is exact: the stream information gives the sample count, or EndSample is set.
    bool Limited() const { return FKnownLength || FEndSample != -1; }
    void ReleaseDecoder();

    std::vector<uint8_t> FBlock;
    TReadStage FStage = rsDecode;
    TOwnedHandle<FLAC__StreamDecoder> FDecoder;
    int32_t BlockSamples = 0;
    int32_t BlockBytes = 0;
    // Bits per sample in the stream, and the left shift that widens them to BitsPerSample.
    int32_t FStreamBits = 0;
    int32_t FShift = 0;
    int32_t FMinFrameSize = 0;
    // The stream information gives the sample count.
    bool FKnownLength = false;
    int64_t FFileSize = 0;
};

} // namespace deraz
