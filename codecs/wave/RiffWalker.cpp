#include "codecs/wave/RiffWalker.h"

#include <algorithm>
#include <limits>

namespace deraz {

namespace {

// How far from where the walk starts "RIFF" and "WAVE" are looked for.
constexpr int64_t SearchLimit = 8192;
constexpr int64_t MaxSize = std::numeric_limits<int64_t>::max();

bool Printable(uint8_t Byte) {
    return Byte >= 0x20 && Byte < 0x7F;
}

int64_t Clamped(uint64_t Value) {
    return int64_t(std::min<uint64_t>(Value, uint64_t(MaxSize)));
}

} // namespace

bool ChunkIdMatches(const uint8_t* Id, const char* Expected) {
    for (int I = 0; I < 4; ++I) {
        int Difference = int(Id[I]) - int(uint8_t(Expected[I]));
        if (Difference != 0 && Difference != 32 && Difference != -32) return false;
    }
    return true;
}

std::string ChunkIdText(const uint8_t* Id) {
    std::string Text(reinterpret_cast<const char*>(Id), 4);
    for (char& C : Text)
        if (!Printable(uint8_t(C))) C = '?';
    return Text;
}

bool TRiffWalker::SlideTo(std::initializer_list<const char*> Ids, std::array<uint8_t, 4>& Window) {
    auto Found = [&] {
        return std::any_of(Ids.begin(), Ids.end(),
                           [&](const char* Id) { return ChunkIdMatches(Window.data(), Id); });
    };
    while (!Found()) {
        if (FSource.Position() - FStart >= SearchLimit) return false;
        std::memmove(Window.data(), Window.data() + 1, 3);
        if (FSource.Read(&Window[3], 1) != 1) return false;
    }
    return true;
}

bool TRiffWalker::FindContainer() {
    std::array<uint8_t, 4> Window{};
    if (FSource.Read(Window.data(), 4) != 4 || !SlideTo({"RIFF", "RF64", "BW64"}, Window)) return false;
    FContainerOffset = FSource.Position() - 4;
    FRf64 = !ChunkIdMatches(Window.data(), "RIFF");
    uint8_t Size[4];
    if (FSource.Read(Size, 4) != 4) return false;
    FContainerSize = LittleEndian32(Size);
    if (FSource.Read(Window.data(), 4) != 4 || !SlideTo({"WAVE"}, Window)) return false;
    FNext = FSource.Position();
    return true;
}

int64_t TRiffWalker::ContainerEnd() const {
    int64_t Size = FContainerSize == DeferredSize && FDs64RiffSize >= 0 ? FDs64RiffSize : FContainerSize;
    return FContainerOffset + std::min(Size, MaxSize - FContainerOffset - 8) + 8;
}

int64_t TRiffWalker::Resolved(uint32_t Count, int64_t Ds64Value) const {
    return Count == DeferredSize && Ds64Value >= 0 ? Ds64Value : int64_t(Count);
}

int64_t TRiffWalker::After(const TRiffChunk& Chunk) {
    const int64_t End = Chunk.End();
    if (Chunk.Size % 2 == 0) return End;
    std::array<uint8_t, 4> Bytes{};
    if (End > FSource.Size() - 4) return End + 1;
    FSource.Seek(End);
    FSource.Read(Bytes.data(), 4);
    return std::all_of(Bytes.begin(), Bytes.end(), Printable) ? End : End + 1;
}

void TRiffWalker::ReadDs64(const TRiffChunk& Chunk) {
    if (Chunk.Size < 24) {
        FDs64Damaged = true;
        return;
    }
    std::vector<uint8_t> Body = ReadBody(Chunk, 24);
    FDs64RiffSize = Clamped(LittleEndian64(&Body[0]));
    FDs64DataSize = Clamped(LittleEndian64(&Body[8]));
    FDs64SampleCount = Clamped(LittleEndian64(&Body[16]));
    FSource.Seek(Chunk.BodyOffset());
}

bool TRiffWalker::Next(TRiffChunk& Chunk) {
    if (FHavePrevious) FNext = After(FPrevious);
    if (FNext > FSource.Size() - 8) return false;
    uint8_t Head[8];
    FSource.Seek(FNext);
    FSource.Read(Head, 8);
    Chunk.Offset = FNext;
    std::copy_n(Head, 4, Chunk.Id.begin());
    Chunk.SizeField = LittleEndian32(Head + 4);
    Chunk.Size = Chunk.SizeField;
    if (Chunk.Is("data") && Chunk.SizeField == DeferredSize)
        Chunk.Size = FDs64DataSize >= 0 ? FDs64DataSize : FSource.Size() - Chunk.BodyOffset();
    // Every end stays representable, however large the "ds64" chunk says the data is.
    Chunk.Size = std::min(Chunk.Size, MaxSize - Chunk.BodyOffset());
    if (Chunk.Is("ds64")) ReadDs64(Chunk);
    FPrevious = Chunk;
    FHavePrevious = true;
    return true;
}

std::vector<uint8_t> TRiffWalker::ReadBody(const TRiffChunk& Chunk, size_t Count) {
    std::vector<uint8_t> Body(Count);
    FSource.Seek(Chunk.BodyOffset());
    const int64_t Wanted = std::min<int64_t>(int64_t(Count), Chunk.Size);
    const int64_t Got = std::max<int64_t>(FSource.Read(Body.data(), Wanted), 0);
    std::fill(Body.begin() + Got, Body.end(), 0);
    return Body;
}

} // namespace deraz
