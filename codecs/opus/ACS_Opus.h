// Ogg Opus source and file sink: TOpusIn decodes through libopusfile into 24-bit PCM at 48 kHz,
// TOpusOut encodes PCM of any rate with libopusenc at a chosen bit rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/opus/OpusLibrary.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// Encodes PCM of any width and rate from its input into an Ogg Opus file, in VBR mode at
// Bitrate. Up to 8 channels are written in Vorbis order (channel mapping family 1 beyond
// stereo); wider input is mixed down to stereo. Tags are added afterwards by the tag copier.
class TOpusOut : public TACSFileOut {
public:
    explicit TOpusOut(TComponent* AOwner = nullptr);
    ~TOpusOut() override;

    // Target bit rate of the whole stream in kbit/s.
    int32_t Bitrate() const { return FBitrate; }
    void SetBitrate(int32_t Value) { FBitrate = Value; }

protected:
    bool DoOutput(bool Abort) override;
    void Prepare() override;
    // Drains the encoder, also after a conversion stopped early, so the shorter file is complete.
    void FinishOutput() override;
    void CloseOutput() override;

private:
    static int WriteCallback(void* Sink, const unsigned char* Bytes, opus_int32 Length);
    static int CloseCallback(void* Sink);

    void CreateEncoder(int32_t SampleRate);
    // Raises the encoder's error Code with what was being done, or the write error behind it.
    void Check(int Code, const char* Doing);
    void Encode(int32_t Bytes);
    void DestroyEncoder();

    int32_t FBitrate = 128;
    std::vector<uint8_t> FBuffer;
    int32_t FCarry = 0; // bytes of an incomplete frame at the front of FBuffer
    std::vector<float> FSamples;
    std::vector<float> FMixed;
    std::vector<float> FOrdered;
    int32_t FBitsPerSample = 0;
    int32_t FInputChannels = 0;
    int32_t FChannelCount = 0; // channels encoded
    int32_t FFrameBytes = 0;
    bool FDrained = false;
    std::string FWriteError; // why the last write of the encoder failed
    OggOpusComments* FComments = nullptr;
    OggOpusEnc* FEncoder = nullptr;
};

// Decodes an Ogg Opus file into interleaved signed 24-bit little-endian PCM at 48 kHz, channels
// in WAV order, exactly as long as the stream says (pre-skip and end trimming honoured, the
// header's output gain applied). Every logical stream of a chained file is delivered; one with
// another channel count than the first is mixed to the first one's.
class TOpusIn : public TACSFileIn {
public:
    explicit TOpusIn(TComponent* AOwner = nullptr);
    ~TOpusIn() override;

    bool Seek(int64_t SampleNum) override;

    // The sample rate the first stream was encoded from, as its header gives it (0: unknown).
    int32_t InputSampleRate() const { return FInputSampleRate; }

protected:
    void OpenSource() override;
    void CloseSource() override;
    std::span<const uint8_t> Refill() override;

private:
    // The decoder's output rate, whatever the input's was.
    static constexpr int32_t DecodedRate = 48000;
    // Floats one read asks for: 120 ms of 8 channels, the longest packet there is.
    static constexpr int32_t ReadSamples = 5760 * 8;
    // Frames beyond any real recording (months): a longer stream is damaged.
    static constexpr int64_t MaxFrames = int64_t(1) << 40;

    static int ReadCallback(void* Source, unsigned char* Buffer, int Bytes);
    static int SeekCallback(void* Source, opus_int64 Offset, int Whence);
    static opus_int64 TellCallback(void* Source);

    // Reads the format and length once the decoder has opened the file; why the file cannot be
    // delivered, or nothing.
    std::string ReadStreamInfo();
    void Invalidate(std::string Reason);
    // Appends Frames frames of link Link's channels (Vorbis order) to FBuffer as 24-bit PCM in
    // WAV order and the first link's channel count.
    void Deliver(const float* Pcm, int32_t Frames, int32_t Link);
    // The time reached in the delivered PCM, as m:ss.mmm.
    std::string TimeReached() const;

    OggOpusFile* FDecoder = nullptr;
    int32_t FInputSampleRate = 0;
    std::vector<float> FDecoded;
    std::vector<float> FWaveOrder;
    std::vector<float> FMixed;
    std::vector<int32_t> FValues;
    std::vector<uint8_t> FBuffer;
    bool FEndOfStream = false;
};

// Whether the last complete Ogg page of Stream ends a logical stream: false for a file cut
// short. Reads at most the file's last 64 KiB.
bool EndsWithCompleteStream(TFileStream& Stream);

// A time in frames at Rate as m:ss.mmm.
std::string FormatTimeReached(int64_t Frames, int32_t Rate);

} // namespace deraz
