// Technical data of an MPEG audio file, taken from its frame headers without decoding.
#pragma once

#include "analysis/APETag.h"
#include "analysis/ID3v1.h"
#include "analysis/ID3v2.h"

#include <array>
#include <cstdint>
#include <string>

namespace deraz {

// A Xing or VBRI header found in the first frame.
struct VBRData {
    bool Found = false;     // a header was found
    std::string Id;         // "Xing" or "VBRI"
    int32_t FrameCount = 0; // frames stated by the header
    int32_t ByteCount = 0;  // audio bytes stated by the header
    uint8_t Quality = 0;    // quality or scale byte
    std::string Vendor;     // the 9 bytes after a Xing header's quality byte (zero bytes kept)
};

// The first frame header of the stream and its decoded fields.
struct MPEGFrameHeader {
    bool Found = false;             // a frame was found
    int32_t Position = 0;           // offset of the frame within the searched buffer
    uint16_t Length = 0;            // frame length in bytes
    bool ZeroSideInfo = false;      // the six bytes after the header are all zero
    std::array<uint8_t, 4> Bytes{}; // the raw header
    uint8_t VersionId = 0;          // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    uint8_t LayerId = 0;            // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
    bool Protected = false;         // a CRC follows the header
    uint16_t BitrateIndex = 0;      // bits 7-4 of byte 2
    uint16_t SampleRateIndex = 0;   // bits 3-2 of byte 2
    bool Padding = false;           // the frame carries a padding slot
    bool PrivateBit = false;        // bit 0 of byte 2
    uint8_t ChannelMode = 0;        // 0 Stereo, 1 Joint Stereo, 2 Dual Channel, 3 Mono
    uint8_t ModeExtension = 0;      // bits 5-4 of byte 3
    bool CopyrightBit = false;      // bit 3 of byte 3
    bool OriginalBit = false;       // bit 2 of byte 3
    uint8_t Emphasis = 0;           // bits 1-0 of byte 3
};

class TMPEGaudio {
public:
    TMPEGaudio() { Clear(); }

    // Analyses FileName and its three tags; true when every read succeeded (also when no frame
    // was found, which leaves everything cleared).
    bool LoadFile(const std::string& FileName);
    void Clear();

    // Size of the file in bytes.
    int64_t FileSize() const { return FFileSize; }
    // Encoder signature near the end of a file without a VBR header ("LAME" and five more
    // characters, four when it ends the searched bytes, or "GOGO"); empty when none.
    const std::string& TailVendor() const { return FTailVendor; }
    // The Xing or VBRI header.
    const VBRData& Vbr() const { return FVbr; }
    // The first frame.
    const MPEGFrameHeader& FirstFrame() const { return FFirstFrame; }
    const TID3v1& Id3v1() const { return FId3v1; }
    const TID3v2& Id3v2() const { return FId3v2; }
    const TAPETag& ApeTag() const { return FApeTag; }

    // "MPEG 1", "MPEG 2", "MPEG 2.5" or "MPEG ?".
    std::string VersionText() const;
    // "Layer I", "Layer II", "Layer III" or "Layer ?".
    std::string LayerText() const;
    // "Stereo", "Joint Stereo", "Dual Channel", "Mono" or "Unknown".
    std::string ChannelModeText() const;
    // Average bitrate in kbit/s.
    uint16_t Bitrate() const;
    // Sample rate in Hz.
    uint16_t SampleRate() const;
    // Number of frames.
    int32_t FrameCount() const;
    // Playing time in seconds.
    double Duration() const;
    // 0 Unknown, 1 Xing, 2 FhG, 3 LAME, 4 Blade, 5 GoGo, 6 Shine, 7 QDesign.
    uint8_t EncoderId() const;
    // The encoder's name, with the version for LAME when the signature carries one.
    std::string EncoderText() const;
    // A frame was found, the bitrate is 8 to 448 kbit/s and the file plays for 0.1 s or more.
    bool IsValid() const;

private:
    bool ReadAudio(const std::string& FileName);
    void FindFirstFrame(const uint8_t* Buffer, int32_t Length);
    void FindVbrHeader(const uint8_t* Data);
    uint16_t TableBitrate() const;
    int32_t Coefficient() const;
    int32_t PaddingSize() const;
    int64_t AudioSize() const;
    uint8_t VbrEncoderId() const;
    uint8_t CbrEncoderId() const;

    int64_t FFileSize;
    std::string FTailVendor;
    VBRData FVbr;
    MPEGFrameHeader FFirstFrame;
    TID3v1 FId3v1;
    TID3v2 FId3v2;
    TAPETag FApeTag;
};

} // namespace deraz
