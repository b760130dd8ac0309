// Sources and sinks on FFmpeg's libraries: any container libavformat opens, read through
// libavcodec, and AAC or Apple Lossless written into an MPEG-4 (.m4a) file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace deraz {

class TFFmpegIo;

// Decodes the first audio stream of a file any of FFmpeg's demuxers reads, at the stream's own
// rate and channels (in WAV order, as FFmpeg's native layouts are), as 8-, 16-, 24- or 32-bit
// integers as the codec gives them; float samples come as 24-bit integers, clipped at full scale.
// The codec's start skip (an MPEG-4 edit list's priming samples) is honoured, and where the
// container states the stream's exact length (MPEG-4) the read ends exactly there, so a gapless
// AAC decodes to its original's length. A file without a decodable audio stream opens not Valid
// with one line saying what it holds; a read that fails raises "The <codec> stream is damaged at
// m:ss.mmm.", also when the stream ends short of its stated length.
class TFFmpegIn : public TACSFileIn {
public:
    explicit TFFmpegIn(TComponent* AOwner = nullptr);
    ~TFFmpegIn() override;

    // Decodes again from the start and drops the frames before SampleNum.
    bool Seek(int64_t SampleNum) override;

    // The codec's short name as messages give it ("AAC", "ALAC"); empty before an opening.
    const std::string& CodecName() const { return FCodecName; }

protected:
    void OpenSource() override;
    void CloseSource() override;
    std::span<const uint8_t> Refill() override;

private:
    // Opens the demuxer and the decoder of the first audio stream; the reason when there is none
    // to decode, empty when it opened.
    std::string OpenDecoder();
    void ReleaseDecoder();
    // Takes the format fields from the opened decoder; the reason when they cannot be delivered.
    std::string TakeFormat();
    // Feeds the decoder until it gives a frame; false at the end of the stream.
    bool DecodeFrame();
    // Writes the decoded frame interleaved into the buffer; returns its frames.
    int64_t StoreFrame();
    // Raises "The <codec> stream <What> at m:ss.mmm." for frame Frame.
    [[noreturn]] void FailAt(int64_t Frame, const char* What) const;

    std::unique_ptr<TFFmpegIo> FIo;
    AVFormatContext* FFormat = nullptr;
    AVCodecContext* FCodec = nullptr;
    AVPacket* FPacket = nullptr;
    AVFrame* FFrame = nullptr;
    AVStream* FAudio = nullptr;
    std::string FCodecName;
    std::vector<uint8_t> FBuffer;
    // Frames decoded from the stream's start, the first frame a seek asked for, and whether the
    // stream's length is exact (then the read ends there and a shorter stream is damaged).
    int64_t FDecodedFrames = 0;
    int64_t FSeekTarget = 0;
    bool FExactLength = false;
    bool FDrained = false;
    // The decoder's sample format, and the bits it holds in a 32-bit sample (24 for 24-bit ALAC).
    int32_t FSampleFormat = -1;
    int32_t FStoredBits = 0;
};

// What an MPEG-4 audio sink writes.
enum TM4aCodec : uint8_t { mcAAC = 0, mcALAC = 1 };

// Encodes 8- to 32-bit PCM of 1 to 8 channels into an MPEG-4 audio file (.m4a): AAC-LC with
// FFmpeg's own encoder at BitRate kbit/s, or Apple Lossless, exact, in 16 bits (8-bit input
// widened) or 24; a 32-bit input is refused for Apple Lossless, as is a sample rate the AAC
// encoder cannot take. Channels keep WAV's placement where the encoder has that layout, else the
// encoder's layout of as many channels. The AAC encoder's priming frames are stated in the edit
// list, whose length is the input's to the frame, and in the iTunSMPB comment players read.
// A failed write ends the conversion with "Failed to encode data." and the system's reason.
class TM4aOut : public TACSFileOut {
public:
    explicit TM4aOut(TComponent* AOwner = nullptr);
    ~TM4aOut() override;

    TM4aCodec Codec() const { return FCodec; }
    void SetCodec(TM4aCodec Value) { FCodec = Value; }
    // The AAC bit rate in kbit/s.
    int32_t BitRate() const { return FBitRate; }
    void SetBitRate(int32_t Value) { FBitRate = Value; }

protected:
    bool DoOutput(bool Abort) override;
    void Prepare() override;
    // Drains the encoder, writes the index (moov) and, for AAC, the iTunSMPB comment.
    void FinishOutput() override;
    void CloseOutput() override;

private:
    void OpenEncoder();
    void OpenMuxer();
    // Turns the first Bytes of the PCM buffer into the encoder's frame.
    void FillFrame(int32_t Bytes);
    // Sends Frame (null: the end of the input) and writes the packets the encoder gives.
    void Encode(const AVFrame* Frame);
    [[noreturn]] void FailEncoding() const;

    TM4aCodec FCodec = mcAAC;
    int32_t FBitRate = 192;
    std::unique_ptr<TFFmpegIo> FIo;
    AVFormatContext* FMuxer = nullptr;
    AVCodecContext* FEncoder = nullptr;
    AVFrame* FFrame = nullptr;
    AVPacket* FPacket = nullptr;
    std::vector<uint8_t> FPcm;
    std::vector<int32_t> FSamples;
    std::vector<float> FFloats;
    int32_t FInputBits = 0;
    int32_t FChannels = 0;
    int64_t FFramesIn = 0;
    int64_t FPackets = 0;
    bool EndOfInput = false;
    bool FHeaderWritten = false;
};

} // namespace deraz
