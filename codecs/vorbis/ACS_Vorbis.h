// Ogg Vorbis source and file sink: TVorbisIn decodes through vorbisfile into 16-bit PCM,
// TVorbisOut encodes PCM with libvorbis and libvorbisenc into Ogg pages.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/vorbis/LinkConverter.h"
#include "codecs/vorbis/VorbisLibrary.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// Scoped, as the MP3 writer's TMP3BitRate uses the same member names.
enum class TVorbisBitRate : uint8_t {
    brAutoSelect = 0,
    br45 = 1,
    br48 = 2,
    br56 = 3,
    br64 = 4,
    br80 = 5,
    br96 = 6,
    br112 = 7,
    br128 = 8,
    br144 = 9,
    br160 = 10,
    br192 = 11,
    br224 = 12,
    br256 = 13,
    br320 = 14,
    br499 = 15,
};

// Bits per second a member stands for; -1 for brAutoSelect.
int32_t VorbisBitRateValue(TVorbisBitRate Rate);

// Encodes PCM of any width from its input into an Ogg Vorbis file, in quality mode while
// DesiredNominalBitrate is brAutoSelect, otherwise with managed bit rates. Up to 8 channels are
// written in Vorbis order; wider input is mixed down to stereo.
class TVorbisOut : public TACSFileOut {
public:
    explicit TVorbisOut(TComponent* AOwner = nullptr);
    ~TVorbisOut() override;

    // Quality for quality mode, 0.1 to 1.0 in the program.
    float Compression() const { return FCompression; }
    void SetCompression(float Value) { FCompression = Value; }
    // Name=Value lines written as Vorbis comments; emptied when a file is finished.
    const std::vector<std::string>& Comments() const { return FComments; }
    void SetComments(std::vector<std::string> Value) { FComments = std::move(Value); }
    // Serial number of the Ogg stream written; 0 derives one from the output's file name and the
    // first input bytes.
    int32_t Serial() const { return FSerial; }
    void SetSerial(int32_t Value) { FSerial = Value; }

    TVorbisBitRate DesiredNominalBitrate() const { return FDesiredNominalBitrate; }
    // Also pulls MinimumBitrate down and DesiredMaximumBitrate up to the new rate.
    void SetDesiredNominalBitrate(TVorbisBitRate Value);
    TVorbisBitRate DesiredMaximumBitrate() const { return FDesiredMaximumBitrate; }
    // Ignored in quality mode and below the nominal rate.
    void SetDesiredMaximumBitrate(TVorbisBitRate Value);
    TVorbisBitRate MinimumBitrate() const { return FMinimumBitrate; }
    // Ignored above the nominal rate.
    void SetMinimumBitrate(TVorbisBitRate Value);

    // Appending is honoured: a new logical stream follows the file's content.
    void SetFileMode(TFileOutputMode Value) override { FFileMode = Value; }

protected:
    bool DoOutput(bool Abort) override;
    void Prepare() override;
    // Ends the stream, also of a conversion stopped early, so the shorter file is complete.
    void FinishOutput() override;
    void CloseOutput() override;

private:
    // How much of the encoder state is set up, in the order it is set up; cleared in reverse.
    enum TEncoderStage { esNone, esInfo, esComment, esAnalysis, esBlock, esStream };

    void CheckInputFormat(int32_t Channels, int32_t BitsPerSample) const;
    void InitEncoder(int32_t Channels, int32_t SampleRate);
    void AddComments();
    void WriteHeaders();
    // Hands the whole frames held in the PCM buffer to the encoder and keeps any partial frame.
    void EncodeBuffer(int32_t Bytes);
    // Encodes every block the encoder has ready and writes the pages that fill up.
    void DrainBlocks();
    // Ends the stream: the encoder's last packets and every page still held are written.
    void FinishStream();
    void WritePage(const ogg_page& Page);
    void ClearEncoder();

    std::vector<uint8_t> FBuffer;
    int32_t FCarry = 0;  // bytes of an incomplete frame at the front of FBuffer
    int32_t FPrimed = 0; // bytes Prepare read ahead into FBuffer, not yet encoded
    std::vector<float> FSamples;
    std::vector<float> FMixed;
    std::vector<std::string> FComments;
    int32_t FSerial = 0;
    int32_t FStreamSerial = 0; // the serial written: Serial, unless an appended file already uses it
    TVorbisBitRate FDesiredNominalBitrate = TVorbisBitRate::brAutoSelect;
    TVorbisBitRate FDesiredMaximumBitrate = TVorbisBitRate::brAutoSelect;
    TVorbisBitRate FMinimumBitrate = TVorbisBitRate::brAutoSelect;
    float FCompression = 0.2f;
    bool FEndOfStream = false;
    int32_t FFrameBytes = 0;
    int32_t FBitsPerSample = 0;
    int32_t FInputChannels = 0;
    int32_t FChannelCount = 0; // channels encoded

    TEncoderStage FStage = esNone;
    ogg_stream_state FOggStream{};
    ogg_page FPage{};
    ogg_packet FPacket{};
    vorbis_info FInfo{};
    vorbis_comment FComment{};
    vorbis_dsp_state FDsp{};
    vorbis_block FBlock{};
};

// Decodes an Ogg Vorbis file into interleaved signed 16-bit little-endian PCM, channels in WAV
// order. Every logical stream of a chained file is delivered; one in another format than the
// first is converted to the first one's sample rate and channel count.
class TVorbisIn : public TACSFileIn {
public:
    explicit TVorbisIn(TComponent* AOwner = nullptr);
    ~TVorbisIn() override;

    bool Seek(int64_t SampleNum) override;

    // The stream's comments as stored (NAME=value), read at each open.
    const std::vector<std::string>& Comments() const { return FComments; }
    // The stream's upper, nominal and lower bit rates in bits per second (0 or less: unset).
    int32_t MaxBitrate() const { return FMaxBitrate; }
    int32_t NominalBitrate() const { return FNominalBitrate; }
    int32_t MinBitrate() const { return FMinBitrate; }

protected:
    void OpenSource() override;
    void CloseSource() override;
    // Decodes into the decode buffer, stopping at Size.
    std::span<const uint8_t> Refill() override;

private:
    // One logical stream of the file, counted in the decoder's frames and in delivered frames.
    struct TLink {
        int32_t Channels;
        int32_t SampleRate;
        int64_t DecoderStart;
        int64_t Start;
        int64_t Length;
    };

    // Room for a frame of the most channels a Vorbis stream can have.
    static constexpr int32_t ReadBufferSize = 16384;
    // Decoded bytes gathered by one Refill.
    static constexpr size_t RefillBytes = 16384;
    // Frames beyond any real recording (months at the highest rates): a longer stream is damaged.
    static constexpr int64_t MaxFrames = int64_t(1) << 40;

    static size_t ReadCallback(void* Buffer, size_t Size, size_t Count, void* Source);
    static int SeekCallback(void* Source, ogg_int64_t Offset, int Whence);
    static int CloseCallback(void* Source);
    static long TellCallback(void* Source);

    // Reads the stream's format, comments, links and length after the decoder has opened it;
    // why the file cannot be delivered, or nothing.
    std::string ReadStreamInfo();
    std::string ReadLinks();
    // Forgets the file: not valid for Reason, no format, nothing to deliver.
    void Invalidate(std::string Reason);
    // Starts delivering link Index, Offset of its delivered frames already behind.
    void EnterLink(int Index, int64_t Offset);
    // Appends Bytes of decoded PCM of the current link to FBuffer, in WAV order and the first
    // link's format.
    void Deliver(const uint8_t* Pcm, size_t Bytes);
    // The time reached in the delivered PCM, as m:ss.mmm.
    std::string TimeReached() const;

    std::vector<std::string> FComments;
    std::vector<TLink> FLinks;
    int FLink = -1;
    std::unique_ptr<TLinkConverter> FConverter;
    std::array<uint8_t, ReadBufferSize> FDecoded{};
    std::vector<uint8_t> FReordered;
    std::vector<uint8_t> FBuffer;
    OggVorbis_File FVorbisFile{};
    bool FDecoderOpen = false;
    int32_t FMaxBitrate = 0;
    int32_t FNominalBitrate = 0;
    int32_t FMinBitrate = 0;
    bool FEndOfStream = false;
};

} // namespace deraz
