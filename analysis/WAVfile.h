// Technical data of a WAV file, read from its RIFF header.
#pragma once

#include <cstdint>
#include <string>

namespace deraz {

class TWAVfile {
public:
    // Reads the header of FileName; false when the file cannot be opened or read, true with
    // Valid false when it is not RIFF/WAVE.
    bool LoadFile(const std::string& FileName);
    void Clear() { *this = TWAVfile(); }

    // The header passed the checks.
    bool Valid() const { return FValid; }
    // Size field of the "fmt " chunk.
    uint32_t FormatChunkSize() const { return FFormatChunkSize; }
    // Format code of the "fmt " chunk.
    uint16_t FormatTag() const { return FFormatTag; }
    // Channel count (low byte of the field).
    uint8_t Channels() const { return FChannels; }
    // Sample rate in Hz.
    uint32_t SampleRate() const { return FSampleRate; }
    uint32_t BytesPerSecond() const { return FBytesPerSecond; }
    uint16_t BlockAlign() const { return FBlockAlign; }
    // Bits per sample (low byte of the field).
    uint8_t BitsPerSample() const { return FBitsPerSample; }
    // Size of the chunk after "fmt " divided by the block align.
    uint32_t SampleCount() const { return FSampleCount; }
    // Bytes before the sample data.
    uint32_t HeaderSize() const { return FHeaderSize; }
    // RIFF size field + 8.
    uint32_t FileSize() const { return FFileSize; }
    // Name last loaded.
    const std::string& FileName() const { return FFileName; }
    // kbit/s from the bytes per second.
    double Bitrate() const { return FBitrate; }
    // Playing time in seconds.
    double Duration() const;

private:
    bool FValid = false;
    uint32_t FFormatChunkSize = 0;
    uint16_t FFormatTag = 0;
    uint8_t FChannels = 0;
    uint32_t FSampleRate = 0;
    uint32_t FBytesPerSecond = 0;
    uint16_t FBlockAlign = 0;
    uint8_t FBitsPerSample = 0;
    uint32_t FSampleCount = 0;
    uint32_t FHeaderSize = 0;
    uint32_t FFileSize = 0;
    std::string FFileName;
    double FBitrate = 0.0;
};

} // namespace deraz
