// Technical data and comments of an Ogg Opus file, read from its pages without decoding.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/VorbisComments.h"

namespace deraz {

class TTntFileStream;

class TOggOpus : public TVorbisComments {
public:
    // Reads FileName; false when it does not start with an Opus stream. Errors of opening or
    // reading the file are raised to the caller.
    bool LoadFile(const std::string& FileName);
    void Clear() { *this = TOggOpus(); }

    // The rate every Opus stream decodes at.
    static constexpr int32_t DecodedRate = 48000;

    // Size of the file in bytes.
    int64_t FileSize() const { return FFileSize; }
    // Channel count of the identification header.
    uint8_t Channels() const { return FChannels; }
    // The sample rate the audio was encoded from, as the header states it (0: unstated).
    int32_t InputSampleRate() const { return FInputSampleRate; }
    // Output gain of the header in dB.
    double OutputGain() const { return FOutputGain; }
    // Frames at 48 kHz of every chained stream together, each counted by the granule position of
    // its last page less its pre-skip; -1 when no page gives a position.
    int64_t Samples() const { return FSamples; }
    // Vendor string of the comment header: the encoder that wrote the stream.
    const std::string& Vendor() const { return FVendor; }

    // Playing time in seconds of every chained stream together.
    double Duration() const;
    // Average bitrate over the whole file in kbit/s.
    int32_t Bitrate() const;
    // One to 255 channels, a length and a bitrate.
    bool IsValid() const;

private:
    // Walks the pages from the first: the headers of the first stream, then the length of every
    // stream of a chain.
    void ReadPages(TTntFileStream& Stream);
    void ReadHead(const std::string& Packet);
    void ReadTags(const std::string& Packet);

    int64_t FFileSize = 0;
    uint8_t FChannels = 0;
    int32_t FInputSampleRate = 0;
    double FOutputGain = 0;
    int64_t FSamples = -1;
    std::string FVendor;
};

} // namespace deraz
