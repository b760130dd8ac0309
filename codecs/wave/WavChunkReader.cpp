#include "codecs/wave/WavChunkReader.h"

#include <algorithm>

namespace deraz {

// ---- TFileWaveSource ----

TFileWaveSource::TFileWaveSource(TFileStream& Stream)
    : FStream(Stream), FSize(Stream.Size()), FPosition(Stream.Position()), FBuffer(BufferCapacity) {}

int64_t TFileWaveSource::Read(void* Buffer, int64_t Count) {
    auto* Out = static_cast<uint8_t*>(Buffer);
    int64_t Done = 0;
    while (Done < Count) {
        if (FBufferStart == FBufferEnd) {
            // Large requests bypass the buffer; small ones refill it.
            if (Count - Done >= BufferCapacity) {
                int64_t Got = FStream.Read(Out + Done, Count - Done);
                Done += Got;
                FPosition += Got;
                break;
            }
            FBufferStart = 0;
            FBufferEnd = FStream.Read(FBuffer.data(), BufferCapacity);
            if (FBufferEnd == 0) break;
        }
        int64_t Piece = std::min(Count - Done, FBufferEnd - FBufferStart);
        std::memcpy(Out + Done, FBuffer.data() + FBufferStart, size_t(Piece));
        FBufferStart += Piece;
        Done += Piece;
        FPosition += Piece;
    }
    // The file held FSize bytes when it was opened: ending before that means it was cut short
    // while being read, and what follows would be silently missing from the output.
    if (Done < Count && FPosition < FSize)
        throw EFileError("The file " + FStream.FileName() + " was cut short while it was being read.");
    return Done;
}

void TFileWaveSource::Seek(int64_t Offset) {
    // A seek within the buffered bytes moves the cursor only.
    int64_t Delta = Offset - FPosition;
    if (Delta >= -FBufferStart && Delta <= FBufferEnd - FBufferStart) {
        FBufferStart += Delta;
    } else {
        FStream.Seek(Offset);
        FBufferStart = FBufferEnd = 0;
    }
    FPosition = Offset;
}

// ---- TMemoryWaveSource ----

int64_t TMemoryWaveSource::Read(void* Buffer, int64_t Count) {
    int64_t Piece = std::clamp<int64_t>(Size() - FPosition, 0, std::max<int64_t>(Count, 0));
    if (Piece > 0) std::memcpy(Buffer, FData.data() + FPosition, size_t(Piece));
    FPosition += Piece;
    return Piece;
}

void TMemoryWaveSource::Seek(int64_t Offset) {
    FPosition = std::max<int64_t>(Offset, 0);
}

// ---- header walk ----

namespace {

// A chunk ID matches when every byte equals the expected one or differs from it by exactly 32,
// so upper- and lower-case IDs both match.
bool IdMatches(const uint8_t* Id, const char* Expected) {
    for (int I = 0; I < 4; ++I) {
        int Difference = int(Id[I]) - int(uint8_t(Expected[I]));
        if (Difference != 0 && Difference != 32 && Difference != -32) return false;
    }
    return true;
}

TWavType TypeOfTag(uint16_t Tag) {
    switch (Tag) {
    case 1:
        return wtPCM;
    case 2:
        return wtMSADPCM;
    case 0x11:
        return wtDVIADPCM;
    case 0x55:
        return wtACM;
    default:
        return wtUnsupported;
    }
}

class TWalker {
public:
    explicit TWalker(TWaveSource& Source) : FSource(Source) {}
    TWaveHeader Walk();

private:
    static constexpr int64_t Limit = 8192;
    enum class TStage { Riff, Wave, Fmt, Fact, Data };
    enum class TStep { Continue, Found, Failed };

    bool ReadBytes(void* Buffer, int64_t Count) {
        int64_t Got = FSource.Read(Buffer, Count);
        FConsumed += Got;
        return Got == Count;
    }
    void ReadId() { ReadBytes(FWindow.data(), 4); }
    void Slide() {
        std::memmove(FWindow.data(), FWindow.data() + 1, 3);
        ReadBytes(&FWindow[3], 1);
    }
    // Reads a chunk's size and body (at most what the walk may still consume).
    bool ReadBody(std::vector<uint8_t>& Body);
    bool SkipChunk() {
        std::vector<uint8_t> Body;
        return ReadBody(Body);
    }
    TStep Step();
    void TakeFormat(std::vector<uint8_t>& Body);

    TWaveSource& FSource;
    TWaveHeader FHeader;
    TWavType FType = wtUnsupported;
    TStage FStage = TStage::Riff;
    std::array<uint8_t, 4> FWindow{};
    int64_t FConsumed = 0;
};

bool TWalker::ReadBody(std::vector<uint8_t>& Body) {
    uint8_t SizeField[4];
    if (!ReadBytes(SizeField, 4)) return false;
    uint32_t Size = LittleEndian32(SizeField);
    if (Size >= Limit - std::min(FConsumed, Limit)) return false;
    Body.resize(Size);
    return ReadBytes(Body.data(), Size);
}

void TWalker::TakeFormat(std::vector<uint8_t>& Body) {
    size_t Declared = Body.size();
    Body.resize(std::max<size_t>(Declared, 22));
    const uint8_t* B = Body.data();
    FType = TypeOfTag(LittleEndian16(B));
    FHeader.Channels = LittleEndian16(B + 2);
    FHeader.SampleRate = LittleEndian32(B + 4);
    FHeader.BlockAlign = LittleEndian16(B + 12);
    FHeader.BitsPerSample = LittleEndian16(B + 14);
    FHeader.SamplesPerBlock = LittleEndian16(B + 18);
    FHeader.CoefficientPairs = LittleEndian16(B + 20);
    size_t Present = Declared > 22 ? (Declared - 22) / 4 : 0;
    size_t Kept = std::min<size_t>({FHeader.CoefficientPairs, MaxMsCoefficientPairs, Present});
    for (size_t I = 0; I < Kept; ++I) {
        FHeader.Coefficients[I][0] = int16_t(LittleEndian16(B + 22 + 4 * I));
        FHeader.Coefficients[I][1] = int16_t(LittleEndian16(B + 24 + 4 * I));
    }
}

TWalker::TStep TWalker::Step() {
    switch (FStage) {
    case TStage::Riff:
    case TStage::Wave: {
        const char* Wanted = FStage == TStage::Riff ? "RIFF" : "WAVE";
        if (!IdMatches(FWindow.data(), Wanted)) {
            Slide();
            return TStep::Continue;
        }
        ReadId(); // after "RIFF" the RIFF size, after "WAVE" the first chunk ID
        FStage = FStage == TStage::Riff ? TStage::Wave : TStage::Fmt;
        return TStep::Continue;
    }
    case TStage::Fmt: {
        std::vector<uint8_t> Body;
        bool IsFormat = IdMatches(FWindow.data(), "fmt ");
        if (!ReadBody(Body)) return TStep::Failed;
        if (IsFormat) {
            TakeFormat(Body);
            if (FType == wtUnsupported) return TStep::Failed;
            FStage = FType == wtPCM ? TStage::Data : TStage::Fact;
        }
        ReadId();
        return TStep::Continue;
    }
    case TStage::Fact: {
        std::vector<uint8_t> Body;
        bool IsFact = IdMatches(FWindow.data(), "fact");
        int64_t BodyOffset = FSource.Position() + 4;
        if (!ReadBody(Body)) return TStep::Failed;
        if (IsFact) {
            Body.resize(std::max<size_t>(Body.size(), 4));
            FHeader.SampleLength = LittleEndian32(Body.data());
            FHeader.FactValueOffset = BodyOffset;
            FStage = TStage::Data;
        }
        ReadId();
        return TStep::Continue;
    }
    case TStage::Data: {
        if (!IdMatches(FWindow.data(), "data")) {
            if (!SkipChunk()) return TStep::Failed;
            ReadId();
            return TStep::Continue;
        }
        FHeader.DataSizeOffset = FSource.Position();
        uint8_t SizeField[4];
        if (!ReadBytes(SizeField, 4)) return TStep::Failed;
        FHeader.DataSize = LittleEndian32(SizeField);
        FHeader.DataOffset = FSource.Position();
        return TStep::Found;
    }
    }
    return TStep::Failed;
}

TWaveHeader TWalker::Walk() {
    ReadId();
    for (;;) {
        TStep Result = Step();
        if (Result == TStep::Found) {
            FHeader.WavType = FType;
            return FHeader;
        }
        if (Result == TStep::Failed || FSource.Position() >= FSource.Size() || FConsumed >= Limit) break;
    }
    TWaveHeader Unsupported = FHeader;
    Unsupported.WavType = wtUnsupported;
    return Unsupported;
}

} // namespace

TWaveHeader WalkWaveHeader(TWaveSource& Source) {
    return TWalker(Source).Walk();
}

} // namespace deraz
