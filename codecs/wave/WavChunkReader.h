// RIFF WAVE layout: the stream the WAV reader reads from, and the header walk that finds the
// format and the sample data.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/FileStream.h"

namespace deraz {

// wtFloat: IEEE floating-point samples, 32 or 64 bits.
// The format tag of WAVE_FORMAT_EXTENSIBLE, whose sub-format GUID holds the real tag.
constexpr uint16_t ExtensibleTag = 0xFFFE;
// Every standard sub-format GUID ends with these bytes; its first four hold the format tag.
constexpr std::array<uint8_t, 12> StandardGuidSuffix{0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                     0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

enum TWavType : uint8_t {
    wtUnsupported = 0,
    wtPCM = 1,
    wtDVIADPCM = 2,
    wtMSADPCM = 3,
    wtACM = 4,
    wtFloat = 5
};

// A readable byte stream of known, fixed size: the WAV file itself, or a WAV image in memory.
class TWaveSource {
public:
    virtual ~TWaveSource() = default;
    // Reads up to Count bytes; fewer only at the end.
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    virtual void Seek(int64_t Offset) = 0;
    virtual int64_t Position() const = 0;
    virtual int64_t Size() const = 0;
};

// Reads a file in large pieces, so that small reads (header bytes, ADPCM blocks) cost no system call.
class TFileWaveSource : public TWaveSource {
public:
    explicit TFileWaveSource(TFileStream& Stream);
    int64_t Read(void* Buffer, int64_t Count) override;
    void Seek(int64_t Offset) override;
    int64_t Position() const override { return FPosition; }
    int64_t Size() const override { return FSize; }

private:
    static constexpr int64_t BufferCapacity = 65536;
    TFileStream& FStream;
    int64_t FSize;
    int64_t FPosition;
    // FBuffer[FBufferStart, FBufferEnd) holds the file bytes from FPosition on.
    std::vector<uint8_t> FBuffer;
    int64_t FBufferStart = 0;
    int64_t FBufferEnd = 0;
};

class TMemoryWaveSource : public TWaveSource {
public:
    explicit TMemoryWaveSource(std::vector<uint8_t> Data) : FData(std::move(Data)) {}
    int64_t Read(void* Buffer, int64_t Count) override;
    void Seek(int64_t Offset) override;
    int64_t Position() const override { return FPosition; }
    int64_t Size() const override { return int64_t(FData.size()); }

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

// Room for this many Microsoft ADPCM coefficient pairs; files that declare more are refused.
constexpr int32_t MaxMsCoefficientPairs = 32;

// What the header walk found.
struct TWaveHeader {
    TWavType WavType = wtUnsupported;
    // The format tag; for WAVE_FORMAT_EXTENSIBLE, the tag its sub-format stands for.
    uint16_t FormatTag = 0;
    uint16_t Channels = 0;
    uint32_t SampleRate = 0;
    uint16_t BlockAlign = 0;
    uint16_t BitsPerSample = 0;
    uint16_t SamplesPerBlock = 0;
    // Microsoft ADPCM coefficient pairs as declared; only the first MaxMsCoefficientPairs are kept.
    uint16_t CoefficientPairs = 0;
    std::array<std::array<int16_t, 2>, MaxMsCoefficientPairs> Coefficients{};
    // The "fact" sample length (sample frames) and the offset of that value; -1 without "fact".
    int64_t SampleLength = 0;
    int64_t FactValueOffset = -1;
    // The data's size (from "ds64" where the "data" chunk defers to it), the offset of the "data"
    // chunk's size field and of the first data byte.
    int64_t DataSize = 0;
    int64_t DataSizeOffset = 0;
    int64_t DataOffset = 0;
    // An RF64 or BW64 file: its 64-bit sizes are in the "ds64" chunk.
    bool Rf64 = false;
    // The offset of the "ds64" chunk, or of a "JUNK" chunk of a "ds64" chunk's size first after
    // "WAVE" (room reserved for one); -1 without either.
    int64_t Ds64Offset = -1;
    // Why the file is wtUnsupported: one sentence.
    std::string Error;
};

// The size of a "ds64" chunk's body without its table: RIFF size, data size, sample count, table length.
constexpr int32_t Ds64BodySize = 28;

// Finds "RIFF" (or "RF64", "BW64") and "WAVE" within the first 8192 bytes from the source's position,
// then walks the chunks, skipping any others, until the first data byte. A missing or damaged
// "fmt " or "data" chunk, a format it does not know, or ADPCM without "fact" gives wtUnsupported
// with the reason in Error; otherwise the source stands at the first data byte.
TWaveHeader WalkWaveHeader(TWaveSource& Source);

} // namespace deraz
