// Technical data of the lossless formats whose header says all there is to show: WavPack (from
// its first block header) and AIFF (from its "COMM" chunk).
#pragma once

#include <cstdint>
#include <string>

namespace deraz {

// What both readers find.
class TLosslessInfo {
public:
    // The header passed the checks.
    bool Valid() const { return FValid; }
    int32_t Channels() const { return FChannels; }
    // Sample rate in Hz.
    int32_t SampleRate() const { return FSampleRate; }
    // Bits per sample as stored.
    int32_t BitsPerSample() const { return FBitsPerSample; }
    bool Float() const { return FFloat; }
    // Sample frames; -1 when the file does not say.
    int64_t SampleCount() const { return FSampleCount; }
    uint64_t FileSize() const { return FFileSize; }
    // Playing time in seconds (0 when unknown).
    double Duration() const;
    // Whole kbit/s of the file over its playing time (0 when unknown).
    int32_t Bitrate() const;

protected:
    // Clears the values and sizes up FileName; false when it cannot be opened.
    bool Start(const std::string& FileName);

    bool FValid = false;
    int32_t FChannels = 0;
    int32_t FSampleRate = 0;
    int32_t FBitsPerSample = 0;
    bool FFloat = false;
    int64_t FSampleCount = -1;
    uint64_t FFileSize = 0;
};

// A WavPack file, read from its first block: the 32-byte header and its metadata (channel count,
// a sample rate outside the header's table).
class TWavPackFile : public TLosslessInfo {
public:
    // False when the file cannot be opened; Valid false when it holds no WavPack block header.
    bool LoadFile(const std::string& FileName);
    // Whether the file is hybrid (lossy unless a correction file is beside it).
    bool Hybrid() const { return FHybrid; }
    // The stream version of the first block (0x402 to 0x410).
    int32_t Version() const { return FVersion; }

private:
    void ReadMetadata(const uint8_t* Data, size_t Size);

    bool FHybrid = false;
    int32_t FVersion = 0;
};

// An AIFF or AIFF-C file, read from its "COMM" and "SSND" chunks.
class TAIFFfile : public TLosslessInfo {
public:
    // False when the file cannot be opened; Valid false when it is no AIFF file it can read.
    bool LoadFile(const std::string& FileName);
    // The AIFF-C compression type's name ("sowt", "fl32"; "NONE" for plain AIFF).
    const std::string& Compression() const { return FCompression; }

private:
    std::string FCompression;
};

} // namespace deraz
