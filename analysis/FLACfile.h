// Technical data and Vorbis comments of a FLAC file, read from its metadata blocks.
#pragma once

#include "analysis/ID3v2.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace deraz {

class TTntFileStream;

// Comment names the reader keeps a field for, in the order they are looked up.
constexpr int FlacKnownKeyCount = 28;
extern const char* const FlacKnownKeys[FlacKnownKeyCount];

// A metadata block the reader does not interpret: its 4-byte header and a copy of its data.
struct TMetaDataBlock {
    std::array<uint8_t, 4> Header{};
    std::vector<uint8_t> Data;
};

class TFLACfile {
public:
    TFLACfile() { Clear(true, true); }

    // Reads FileName. Errors of opening or reading the file are raised to the caller.
    void LoadFile(const std::string& FileName);
    // Clears the technical data, the comments, or both.
    void Clear(bool TechnicalData, bool TagData);

    // "fLaC", the STREAMINFO block header and the STREAMINFO block as read.
    const std::array<uint8_t, 42>& Header() const { return FHeader; }
    // Name last loaded.
    const std::string& FileName() const { return FFileName; }
    // Ordinal of the first PADDING block (blocks after STREAMINFO counted from 1).
    int32_t PaddingIndex() const { return FPaddingIndex; }
    // The first PADDING block was the last metadata block.
    bool PaddingLast() const { return FPaddingLast; }
    // A further PADDING block was met.
    bool ExtraPadding() const { return FExtraPadding; }
    // Ordinal of the VORBIS_COMMENT block.
    int32_t VorbisIndex() const { return FVorbisIndex; }
    // Size of the first PADDING block.
    int32_t PaddingSize() const { return FPaddingSize; }
    // File offset of the VORBIS_COMMENT data.
    int64_t VorbisOffset() const { return FVorbisOffset; }
    // File offset after the last metadata block; 0 for a file that is not valid.
    int64_t AudioOffset() const { return FAudioOffset; }
    uint8_t Channels() const { return FChannels; }
    // Sample rate in Hz.
    int32_t SampleRate() const { return FSampleRate; }
    uint8_t BitsPerSample() const { return FBitsPerSample; }
    // Average bitrate of the audio frames in kbit/s.
    int32_t Bitrate() const { return FBitrate; }
    // Size of the file in bytes.
    int64_t FileSize() const { return FFileSize; }
    // Samples per channel (the low 32 bits of the STREAMINFO field).
    int64_t Samples() const { return FSamples; }
    // Metadata blocks kept as they are (all but STREAMINFO, VORBIS_COMMENT and the first PADDING).
    const std::vector<TMetaDataBlock>& MetaBlocks() const { return FMetaBlocks; }
    // Vendor string of the Vorbis comment.
    const std::string& Vendor() const { return FVendor; }
    // Size of the VORBIS_COMMENT block.
    int32_t VorbisSize() const { return FVorbisSize; }
    // The comment count is above 0.
    bool TagExists() const { return FTagExists; }
    const TID3v2& Id3v2() const { return FId3v2; }
    // The first value of a known comment name (upper case), empty for an unknown name.
    const std::string& KnownField(std::string_view Key) const;
    const std::string& Artist() const { return KnownField("ARTIST"); }
    const std::string& Title() const { return KnownField("TITLE"); }
    const std::string& Album() const { return KnownField("ALBUM"); }
    // The track number as text.
    const std::string& TrackString() const { return KnownField("TRACKNUMBER"); }
    const std::string& Date() const { return KnownField("DATE"); }
    const std::string& Genre() const { return KnownField("GENRE"); }
    const std::string& Comment() const { return KnownField("COMMENT"); }
    const std::string& Encoder() const { return KnownField("ENCODER"); }
    // Comments of other names, and repeated known names, as (upper-case name, value).
    const std::vector<std::pair<std::string, std::string>>& ExtraFields() const { return FExtraFields; }

    // "fLaC" was found and STREAMINFO gives channels, sample rate, bits and samples.
    bool IsValid() const;
    // Playing time in seconds.
    double Duration() const;
    // File size as a percentage of the raw samples.
    double CompressionRatio() const;
    // "Mono", "Stereo" or "Multi Channel"; empty when not valid.
    std::string ChannelModeText() const;

private:
    void ReadMetaBlocks(TTntFileStream& Stream);
    void ReadComments(TTntFileStream& Stream);
    void AddComment(const std::string& Text);

    std::array<uint8_t, 42> FHeader;
    std::string FFileName;
    int32_t FPaddingIndex;
    bool FPaddingLast;
    bool FExtraPadding;
    int32_t FVorbisIndex;
    int32_t FPaddingSize;
    int64_t FVorbisOffset;
    int64_t FAudioOffset;
    uint8_t FChannels;
    int32_t FSampleRate;
    uint8_t FBitsPerSample;
    int32_t FBitrate;
    int64_t FFileSize;
    int64_t FSamples;
    std::vector<TMetaDataBlock> FMetaBlocks;
    std::string FVendor;
    int32_t FVorbisSize;
    bool FTagExists;
    TID3v2 FId3v2;
    std::array<std::string, FlacKnownKeyCount> FKnownFields;
    std::vector<std::pair<std::string, std::string>> FExtraFields;
};

} // namespace deraz
