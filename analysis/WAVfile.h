// Technical data of a WAV file (RIFF, or RF64/BW64 beyond 4 GiB), read from its chunks.
#pragma once

#include <cstdint>
#include <string>

namespace deraz {

class TWaveSource;

class TWAVfile {
public:
    // Reads the chunks of FileName up to "data"; false when the file cannot be opened or read,
    // true with Valid false when it is not a WAVE file with a "fmt " chunk.
    bool LoadFile(const std::string& FileName);
    void Clear() { *this = TWAVfile(); }

    // The header passed the checks.
    bool Valid() const { return FValid; }
    // Size field of the "fmt " chunk.
    uint32_t FormatChunkSize() const { return FFormatChunkSize; }
    // Format code of the "fmt " chunk (0xFFFE for the extensible format).
    uint16_t FormatTag() const { return FFormatTag; }
    // Channel count (low byte of the field).
    uint8_t Channels() const { return FChannels; }
    // Sample rate in Hz.
    uint32_t SampleRate() const { return FSampleRate; }
    uint32_t BytesPerSecond() const { return FBytesPerSecond; }
    uint16_t BlockAlign() const { return FBlockAlign; }
    // Bits per sample (low byte of the field).
    uint8_t BitsPerSample() const { return FBitsPerSample; }
    // Sample frames: the "fact" chunk's count for compressed data, else data size / block align.
    uint64_t SampleCount() const { return FSampleCount; }
    // Bytes of sample data (at most what the file holds).
    uint64_t DataSize() const { return FDataSize; }
    // Bytes before the sample data.
    uint64_t HeaderSize() const { return FHeaderSize; }
    // RIFF size + 8 (RF64: the "ds64" chunk's), at most the size of the file.
    uint64_t FileSize() const { return FFileSize; }
    // Name last loaded.
    const std::string& FileName() const { return FFileName; }
    // kbit/s from the bytes per second.
    double Bitrate() const { return FBitrate; }
    // Playing time in seconds.
    double Duration() const;

private:
    // What the chunk walk found before (and at) "data".
    struct TLayout;
    static TLayout WalkChunks(TWaveSource& Source);
    void TakeFormat(const uint8_t* Format);
    void TakeLength(const TLayout& Layout);

    bool FValid = false;
    uint32_t FFormatChunkSize = 0;
    uint16_t FFormatTag = 0;
    uint8_t FChannels = 0;
    uint32_t FSampleRate = 0;
    uint32_t FBytesPerSecond = 0;
    uint16_t FBlockAlign = 0;
    uint8_t FBitsPerSample = 0;
    uint64_t FSampleCount = 0;
    uint64_t FDataSize = 0;
    uint64_t FHeaderSize = 0;
    uint64_t FFileSize = 0;
    std::string FFileName;
    double FBitrate = 0.0;
};

} // namespace deraz
