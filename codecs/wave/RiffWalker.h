// The chunks of a RIFF, RF64 or BW64 WAVE file, one after another: the one reading of the
// container that the WAV source, the WAV converter and the analysis reader share.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/wave/WavChunkReader.h"

namespace deraz {

// A chunk ID matches when every byte equals the expected one or differs from it by exactly 32,
// so upper- and lower-case IDs both match.
bool ChunkIdMatches(const uint8_t* Id, const char* Expected);
// A chunk ID for a message, each unprintable byte shown as '?'.
std::string ChunkIdText(const uint8_t* Id);

// A 32-bit size or count with this value defers to the "ds64" chunk (a "data" size without one
// runs to the end of the file).
constexpr uint32_t DeferredSize = 0xFFFFFFFF;

struct TRiffChunk {
    std::array<uint8_t, 4> Id{};
    // Where the chunk's ID stands; its body starts 8 bytes later.
    int64_t Offset = 0;
    // The size field as stored.
    uint32_t SizeField = 0;
    // The body's size: the size field, or for a "data" chunk that defers, the "ds64" chunk's
    // data size or else what the file holds from the body on.
    int64_t Size = 0;

    int64_t BodyOffset() const { return Offset + 8; }
    int64_t End() const { return BodyOffset() + Size; }
    bool Is(const char* Expected) const { return ChunkIdMatches(Id.data(), Expected); }
};

class TRiffWalker {
public:
    explicit TRiffWalker(TWaveSource& Source) : FSource(Source), FStart(Source.Position()) {}

    // Slides from the source's position over at most 8192 bytes to "RIFF" (or "RF64", "BW64"),
    // then to "WAVE"; false when either is missing.
    bool FindContainer();
    // Reads the next chunk's header and leaves the source at its body; false when fewer than 8
    // bytes are left. An odd-sized chunk is followed by a pad byte, unless the 4 bytes right after
    // its body already read as a chunk ID (a writer that did not pad). A "ds64" chunk is read as
    // it is passed.
    bool Next(TRiffChunk& Chunk);
    // Up to Count bytes of Chunk's body, zero-filled to Count; the source stands after what was read.
    std::vector<uint8_t> ReadBody(const TRiffChunk& Chunk, size_t Count);

    // An RF64 or BW64 file.
    bool Rf64() const { return FRf64; }
    // Where "RIFF" (or "RF64", "BW64") stands.
    int64_t ContainerOffset() const { return FContainerOffset; }
    // Where the container declares it ends: its size field + 8, or the "ds64" chunk's size when
    // the field defers to it.
    int64_t ContainerEnd() const;
    // The "ds64" chunk's values, -1 before one was passed or when it was too short to hold them.
    int64_t Ds64DataSize() const { return FDs64DataSize; }
    int64_t Ds64SampleCount() const { return FDs64SampleCount; }
    // A "ds64" chunk too short for its sizes was passed.
    bool Ds64Damaged() const { return FDs64Damaged; }
    // Count (a "fact" count or a "data" size field), or the "ds64" value it defers to.
    int64_t Resolved(uint32_t Count, int64_t Ds64Value) const;

private:
    bool SlideTo(std::initializer_list<const char*> Ids, std::array<uint8_t, 4>& Window);
    // Where the chunk after Chunk starts.
    int64_t After(const TRiffChunk& Chunk);
    void ReadDs64(const TRiffChunk& Chunk);

    TWaveSource& FSource;
    const int64_t FStart;
    int64_t FContainerOffset = 0;
    uint32_t FContainerSize = 0;
    bool FRf64 = false;
    // Where the next chunk starts, once the previous one is known.
    int64_t FNext = 0;
    TRiffChunk FPrevious;
    bool FHavePrevious = false;
    int64_t FDs64RiffSize = -1;
    int64_t FDs64DataSize = -1;
    int64_t FDs64SampleCount = -1;
    bool FDs64Damaged = false;
};

} // namespace deraz
