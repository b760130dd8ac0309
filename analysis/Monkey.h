// Technical data of a Monkey's Audio file, read from its header.
#pragma once

#include "analysis/APETag.h"
#include "analysis/ID3v1.h"
#include "analysis/ID3v2.h"

#include <cstdint>
#include <string>

namespace deraz {

class TMonkey {
public:
    // Reads the header and tags of FileName; the result equals Valid.
    bool LoadFile(const std::string& FileName);
    void Clear() { *this = TMonkey(); }

    // The header gave usable values.
    bool Valid() const { return FValid; }
    // Format version, e.g. 3990.
    uint16_t Version() const { return FVersion; }
    // Version / 1000 with two decimals, e.g. "3.99".
    const std::string& VersionText() const { return FVersionText; }
    int32_t Channels() const { return FChannels; }
    // Sample rate in Hz.
    int32_t SampleRate() const { return FSampleRate; }
    // Bits per sample.
    int32_t Bits() const { return FBits; }
    // Samples per channel.
    int64_t Samples() const { return FSamples; }
    // kbit/s over the file without its tags.
    double Bitrate() const { return FBitrate; }
    // Playing time in seconds.
    double Duration() const { return FDuration; }
    // Compression level, e.g. 2000.
    int32_t CompressionLevel() const { return FCompressionLevel; }
    // Name of the level ("Normal"), or its number when it has no name.
    const std::string& CompressionText() const { return FCompressionText; }
    // Flag word of the header.
    uint16_t FormatFlags() const { return FFormatFlags; }
    // Size of the file in bytes.
    int64_t FileSize() const { return FFileSize; }
    const TID3v1& Id3v1() const { return FId3v1; }
    const TID3v2& Id3v2() const { return FId3v2; }
    const TAPETag& ApeTag() const { return FApeTag; }
    // File size as a percentage of the same audio in a WAV file.
    double CompressionRatio() const;

private:
    bool ReadHeader(const std::string& FileName);

    bool FValid = false;
    uint16_t FVersion = 0;
    std::string FVersionText;
    int32_t FChannels = 0;
    int32_t FSampleRate = 0;
    int32_t FBits = 0;
    int64_t FSamples = 0;
    double FBitrate = 0.0;
    double FDuration = 0.0;
    int32_t FCompressionLevel = 0;
    std::string FCompressionText;
    uint16_t FFormatFlags = 0;
    int64_t FFileSize = 0;
    TID3v1 FId3v1;
    TID3v2 FId3v2;
    TAPETag FApeTag;
};

} // namespace deraz
