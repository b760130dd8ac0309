#include <algorithm>
#include <cstdio>

#include "codecs/wave/WavChunkReader.h"

namespace deraz {

namespace {

// How far into the file "RIFF" and "WAVE" are looked for.
constexpr int64_t SearchLimit = 8192;
// A "data" size that defers to the "ds64" chunk (or, without one, to the end of the file).
constexpr uint32_t DeferredSize = 0xFFFFFFFF;
// Format bodies are read up to this size; any extension beyond it is not needed.
constexpr uint32_t MaxFormatBody = 256;

// A chunk ID matches when every byte equals the expected one or differs from it by exactly 32,
// so upper- and lower-case IDs both match.
bool IdMatches(const uint8_t* Id, const char* Expected) {
    for (int I = 0; I < 4; ++I) {
        int Difference = int(Id[I]) - int(uint8_t(Expected[I]));
        if (Difference != 0 && Difference != 32 && Difference != -32) return false;
    }
    return true;
}

bool Printable(uint8_t Byte) {
    return Byte >= 0x20 && Byte < 0x7F;
}

bool PrintableId(const uint8_t* Id) {
    return std::all_of(Id, Id + 4, Printable);
}

// A chunk ID for a message, each unprintable byte shown as '?'.
std::string IdText(const uint8_t* Id) {
    std::string Text(reinterpret_cast<const char*>(Id), 4);
    for (char& C : Text)
        if (!Printable(uint8_t(C))) C = '?';
    return Text;
}

std::string GuidText(const uint8_t* Guid) {
    char Text[40];
    std::snprintf(Text, sizeof Text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", LittleEndian32(Guid),
                  LittleEndian16(Guid + 4), LittleEndian16(Guid + 6), Guid[8], Guid[9], Guid[10], Guid[11],
                  Guid[12], Guid[13], Guid[14], Guid[15]);
    return Text;
}

std::string TagText(uint16_t Tag) {
    char Text[8];
    std::snprintf(Text, sizeof Text, "0x%04X", Tag);
    return Text;
}

TWavType TypeOfTag(uint16_t Tag) {
    switch (Tag) {
    case 1:
        return wtPCM;
    case 2:
        return wtMSADPCM;
    case 3:
        return wtFloat;
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
    // Slides over the first bytes to "RIFF" (or "RF64", "BW64") and then to "WAVE", and stands
    // after it.
    bool FindContainer();
    bool SlideTo(const std::initializer_list<const char*>& Ids, std::array<uint8_t, 4>& Window);
    // Reads up to Count bytes of the chunk body at the source's position, zero-filled to Count.
    std::vector<uint8_t> ReadBody(uint32_t Count, size_t AtLeast);
    // Takes a "fmt " body; false with FHeader.Error set when the format is not one we know.
    bool TakeFormat(std::vector<uint8_t> Body);
    bool TakeExtensible(const uint8_t* Body, uint16_t& Tag);
    // Where the chunk after one of Size bytes ending at End starts: odd sizes are padded to even,
    // unless only the unpadded position holds something like a chunk ID (a writer that did not pad).
    int64_t NextChunk(int64_t End, uint32_t Size);
    TWaveHeader Fail(std::string Reason);

    TWaveSource& FSource;
    const int64_t FStart = FSource.Position();
    TWaveHeader FHeader;
    int64_t FDs64DataSize = -1;
    int64_t FDs64SampleCount = -1;
};

bool TWalker::SlideTo(const std::initializer_list<const char*>& Ids, std::array<uint8_t, 4>& Window) {
    auto Found = [&] {
        return std::any_of(Ids.begin(), Ids.end(),
                           [&](const char* Id) { return IdMatches(Window.data(), Id); });
    };
    while (!Found()) {
        if (FSource.Position() - FStart >= SearchLimit) return false;
        std::memmove(Window.data(), Window.data() + 1, 3);
        if (FSource.Read(&Window[3], 1) != 1) return false;
    }
    return true;
}

bool TWalker::FindContainer() {
    std::array<uint8_t, 4> Window{};
    if (FSource.Read(Window.data(), 4) != 4 || !SlideTo({"RIFF", "RF64", "BW64"}, Window)) return false;
    FHeader.Rf64 = !IdMatches(Window.data(), "RIFF");
    return FSource.Read(Window.data(), 4) == 4 && SlideTo({"WAVE"}, Window);
}

std::vector<uint8_t> TWalker::ReadBody(uint32_t Count, size_t AtLeast) {
    std::vector<uint8_t> Body(Count);
    Body.resize(size_t(std::max<int64_t>(FSource.Read(Body.data(), Count), 0)));
    if (Body.size() < AtLeast) Body.resize(AtLeast);
    return Body;
}

bool TWalker::TakeExtensible(const uint8_t* Body, uint16_t& Tag) {
    const uint8_t* Guid = Body + 24;
    if (!std::equal(StandardGuidSuffix.begin(), StandardGuidSuffix.end(), Guid + 4) ||
        LittleEndian32(Guid) > 0xFFFF) {
        FHeader.Error = "WAV sub-format " + GuidText(Guid) + " is not supported.";
        return false;
    }
    Tag = LittleEndian16(Guid);
    if (Tag != 1 && Tag != 3) {
        FHeader.Error = "WAV sub-format " + TagText(Tag) + " is not supported.";
        return false;
    }
    return true;
}

bool TWalker::TakeFormat(std::vector<uint8_t> Body) {
    size_t Declared = Body.size();
    if (Declared < 16) {
        FHeader.Error = "The \"fmt \" chunk is damaged.";
        return false;
    }
    Body.resize(std::max<size_t>(Declared, 40));
    const uint8_t* B = Body.data();
    uint16_t Tag = LittleEndian16(B);
    FHeader.Channels = LittleEndian16(B + 2);
    FHeader.SampleRate = LittleEndian32(B + 4);
    FHeader.BlockAlign = LittleEndian16(B + 12);
    FHeader.BitsPerSample = LittleEndian16(B + 14);
    if (Tag == ExtensibleTag) {
        if (Declared < 40 || LittleEndian16(B + 16) < 22) {
            FHeader.Error = "The \"fmt \" chunk is damaged.";
            return false;
        }
        if (!TakeExtensible(B, Tag)) return false;
    }
    FHeader.FormatTag = Tag;
    FHeader.WavType = TypeOfTag(Tag);
    if (FHeader.WavType == wtUnsupported) {
        FHeader.Error = "WAV format tag " + TagText(Tag) + " is not supported.";
        return false;
    }
    FHeader.SamplesPerBlock = LittleEndian16(B + 18);
    FHeader.CoefficientPairs = LittleEndian16(B + 20);
    size_t Present = Declared > 22 ? (Declared - 22) / 4 : 0;
    size_t Kept = std::min<size_t>({FHeader.CoefficientPairs, MaxMsCoefficientPairs, Present});
    for (size_t I = 0; I < Kept; ++I) {
        FHeader.Coefficients[I][0] = int16_t(LittleEndian16(B + 22 + 4 * I));
        FHeader.Coefficients[I][1] = int16_t(LittleEndian16(B + 24 + 4 * I));
    }
    return true;
}

int64_t TWalker::NextChunk(int64_t End, uint32_t Size) {
    if (Size % 2 == 0 || End + 5 > FSource.Size()) return End + Size % 2;
    uint8_t Bytes[5];
    FSource.Seek(End);
    FSource.Read(Bytes, 5);
    return PrintableId(Bytes + 1) || !PrintableId(Bytes) ? End + 1 : End;
}

TWaveHeader TWalker::Fail(std::string Reason) {
    TWaveHeader Failed = FHeader;
    Failed.WavType = wtUnsupported;
    Failed.Error = std::move(Reason);
    return Failed;
}

TWaveHeader TWalker::Walk() {
    if (!FindContainer()) return Fail("The file has no RIFF WAVE header.");
    bool HaveFormat = false, HaveFact = false;
    // Every chunk moves the walk at least 8 bytes on, and it stops at the end of the file.
    for (bool First = true; FSource.Size() - FSource.Position() >= 8; First = false) {
        int64_t ChunkOffset = FSource.Position();
        uint8_t Head[8];
        FSource.Read(Head, 8);
        uint32_t Size = LittleEndian32(Head + 4);
        int64_t End = ChunkOffset + 8 + Size;
        if (IdMatches(Head, "data")) {
            if (!HaveFormat) return Fail("The \"data\" chunk comes before the \"fmt \" chunk.");
            // Compressed data needs "fact" for its length.
            bool Compressed = FHeader.WavType != wtPCM && FHeader.WavType != wtFloat;
            if (Compressed && !HaveFact && FDs64SampleCount < 0)
                return Fail("The \"fact\" chunk is missing.");
            if (FDs64SampleCount >= 0 && (!HaveFact || FHeader.SampleLength == DeferredSize))
                FHeader.SampleLength = FDs64SampleCount;
            FHeader.DataSizeOffset = ChunkOffset + 4;
            FHeader.DataOffset = ChunkOffset + 8;
            FHeader.DataSize = Size != DeferredSize ? Size
                               : FDs64DataSize >= 0 ? FDs64DataSize
                                                    : FSource.Size() - FHeader.DataOffset;
            return FHeader;
        }
        if (End > FSource.Size())
            return Fail("The \"" + IdText(Head) + "\" chunk passes the end of the file.");
        if (IdMatches(Head, "fmt ") && !HaveFormat) {
            if (!TakeFormat(ReadBody(std::min(Size, MaxFormatBody), 0))) return Fail(FHeader.Error);
            HaveFormat = true;
        } else if (IdMatches(Head, "fact") && !HaveFact) {
            FHeader.SampleLength = LittleEndian32(ReadBody(std::min<uint32_t>(Size, 4), 4).data());
            FHeader.FactValueOffset = ChunkOffset + 8;
            HaveFact = true;
        } else if (IdMatches(Head, "ds64")) {
            if (Size < 24) return Fail("The \"ds64\" chunk is damaged.");
            std::vector<uint8_t> Body = ReadBody(24, 24);
            auto Clamped = [](uint64_t Value) { return int64_t(std::min<uint64_t>(Value, INT64_MAX)); };
            FDs64DataSize = Clamped(LittleEndian64(&Body[8]));
            FDs64SampleCount = Clamped(LittleEndian64(&Body[16]));
            FHeader.Ds64Offset = ChunkOffset;
        } else if (First && IdMatches(Head, "JUNK") && Size == uint32_t(Ds64BodySize)) {
            FHeader.Ds64Offset = ChunkOffset;
        }
        FSource.Seek(NextChunk(End, Size));
    }
    return Fail(HaveFormat ? "The \"data\" chunk is missing." : "The \"fmt \" chunk is missing.");
}

} // namespace

TWaveHeader WalkWaveHeader(TWaveSource& Source) {
    return TWalker(Source).Walk();
}

} // namespace deraz
