// Technical data and comments of an Ogg Vorbis file, read from its pages without decoding.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/VorbisComments.h"

namespace deraz {

class TTntFileStream;

class TOggVorbis : public TVorbisComments {
public:
    // Reads FileName; false when it does not start with a Vorbis stream. Errors of opening or
    // reading the file are raised to the caller.
    bool LoadFile(const std::string& FileName);
    void Clear() { *this = TOggVorbis(); }

    // Size of the file in bytes.
    int64_t FileSize() const { return FFileSize; }
    // Channel count of the identification header.
    uint8_t Channels() const { return FChannels; }
    // Sample rate in Hz.
    int32_t SampleRate() const { return FSampleRate; }
    // Nominal bitrate of the identification header in kbit/s.
    uint16_t NominalBitrate() const { return FNominalBitrate; }
    // Sample frames of every chained stream together, each counted by the granule position of
    // its last page; negative (-1) when the last page gives no position.
    int64_t Samples() const { return FSamples; }
    // Bytes of an ID3v2 tag before the first page.
    int32_t Id3v2Size() const { return FId3v2Size; }
    // Vendor string of the comment header.
    const std::string& Vendor() const { return FVendor; }

    // Playing time in seconds of every chained stream together; estimated from the nominal
    // bitrate when no last page is found or it gives no position.
    double Duration() const;
    // Average bitrate over the whole file in kbit/s.
    int32_t Bitrate() const;
    // One to eight channels, a sample rate, at least 0.1 s and a bitrate.
    bool IsValid() const;

private:
    void ReadComments(TTntFileStream& Stream);
    // Copies the header of the page that starts nearest to the end of the file, within its last
    // 12060 bytes, and returns its offset; -1 when there is none.
    int64_t FindLastPage(TTntFileStream& Stream, uint8_t* Header) const;
    // Counts the frames and seconds of every stream of a chained file, page by page from the
    // first, when the walk reaches the last page.
    void MeasureChain(TTntFileStream& Stream, int64_t LastPage);

    int64_t FFileSize = 0;
    uint8_t FChannels = 0;
    int32_t FSampleRate = 0;
    uint16_t FNominalBitrate = 0;
    int64_t FSamples = 0;
    // Seconds counted from granule positions; negative when they gave none.
    double FCountedSeconds = -1;
    int32_t FId3v2Size = 0;
    std::string FVendor;
};

} // namespace deraz
