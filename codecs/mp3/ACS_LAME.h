// MP3 file sink: constant-bit-rate MP3 through the LAME library, with an optional ID3 tag.
// 8- and 16-bit mono and stereo go to LAME as 16-bit samples; wider samples and more channels as
// floats, at full precision, more than two channels downmixed to stereo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/OwnedHandle.h"
#include "codecs/mp3/LameLibrary.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

enum TMP3BitRate : uint8_t {
    br8 = 0,
    br16 = 1,
    br24 = 2,
    br32 = 3,
    br40 = 4,
    br48 = 5,
    br56 = 6,
    br64 = 7,
    br80 = 8,
    br96 = 9,
    br112 = 10,
    br128 = 11,
    br144 = 12,
    br160 = 13,
    br192 = 14,
    br224 = 15,
    br256 = 16,
    br320 = 17,
};

// Kilobits per second of a bit rate member.
int32_t MP3BitRateKbps(TMP3BitRate Value);

class TMP3Out : public TACSFileOut {
public:
    // Loads LAME unless another MP3 sink holds it; raises EACSException when it cannot be loaded.
    explicit TMP3Out(TComponent* AOwner = nullptr);
    ~TMP3Out() override;

    TMP3BitRate BitRate() const { return FBitRate; }
    void SetBitRate(TMP3BitRate Value) { FBitRate = Value; }
    const std::string& Id3TagTitle() const { return FId3TagTitle; }
    void SetId3TagTitle(std::string Value) { FId3TagTitle = std::move(Value); }
    const std::string& Id3TagArtist() const { return FId3TagArtist; }
    void SetId3TagArtist(std::string Value) { FId3TagArtist = std::move(Value); }
    const std::string& Id3TagAlbum() const { return FId3TagAlbum; }
    void SetId3TagAlbum(std::string Value) { FId3TagAlbum = std::move(Value); }
    const std::string& Id3TagYear() const { return FId3TagYear; }
    void SetId3TagYear(std::string Value) { FId3TagYear = std::move(Value); }
    const std::string& Id3TagTrack() const { return FId3TagTrack; }
    void SetId3TagTrack(std::string Value) { FId3TagTrack = std::move(Value); }
    const std::string& Id3TagComment() const { return FId3TagComment; }
    void SetId3TagComment(std::string Value) { FId3TagComment = std::move(Value); }

protected:
    void Prepare() override;
    bool DoOutput(bool Abort) override;
    // Writes the last frames, the ID3 tag and the LAME/Info frame.
    void FinishOutput() override;
    // Ends the encoder and closes the file.
    void CloseOutput() override;

private:
    static constexpr int32_t PcmBufferSize = 16384;
    // Room for the largest step, 16384 samples of 8-bit mono: 1.25 x samples + 7200.
    static constexpr int32_t OutputBufferSize = PcmBufferSize * 5 / 4 + 7200;

    // Refuses input the encoder cannot take.
    void CheckInputFormat();
    // Says what the encoder does to the input beyond encoding it: a downmix, another sample rate.
    void SetNote();
    // Encodes Frames whole sample frames from the start of the PCM buffer and writes the result.
    void EncodeFrames(int32_t Frames);
    // The encoders of the two ways into LAME; both return the bytes of MP3 made, or an error below 0.
    int EncodeShortSamples(int32_t Frames);
    int EncodeFloatSamples(int32_t Frames);
    bool TakesShortSamples() const { return FInputBits <= 16 && FInputChannels <= 2; }
    // Replaces the empty frame the encoder reserved at the start of the file by the final
    // LAME/Info frame, so that players know the exact length.
    void WriteLameTagFrame();

    TLameLibraryUse Lame;
    alignas(int16_t) uint8_t FPcmBuffer[PcmBufferSize];
    // Bytes of an incomplete sample frame kept at the start of the PCM buffer for the next step.
    int32_t FCarry = 0;
    std::vector<int16_t> FWideBuffer;
    std::vector<float> FFloatBuffer;
    std::vector<float> FStereoBuffer;
    TMP3BitRate FBitRate = br128;
    TOwnedHandle<lame_global_flags, int> FHandle;
    std::vector<uint8_t> FOutputBuffer;
    // Where the encoded stream starts in the file: the LAME/Info frame goes there.
    int64_t FStreamStart = 0;
    int32_t FInputChannels = 2;
    int32_t FInputBits = 16;
    std::string FId3TagTitle, FId3TagArtist, FId3TagAlbum, FId3TagYear, FId3TagTrack, FId3TagComment;
};

} // namespace deraz
