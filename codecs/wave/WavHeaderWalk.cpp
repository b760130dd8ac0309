#include <algorithm>
#include <cstdio>

#include "codecs/wave/RiffWalker.h"

namespace deraz {

namespace {

// Format bodies are read up to this size; any extension beyond it is not needed.
constexpr uint32_t MaxFormatBody = 256;

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
    explicit TWalker(TWaveSource& Source) : FSource(Source), FChunks(Source) {}
    TWaveHeader Walk();

private:
    // Takes a "fmt " body; false with FHeader.Error set when the format is not one we know.
    bool TakeFormat(std::vector<uint8_t> Body);
    bool TakeExtensible(const uint8_t* Body, uint16_t& Tag);
    // Takes the "data" chunk, the source left at its first byte; wtUnsupported when the format
    // needs a "fact" chunk that did not come.
    TWaveHeader TakeData(const TRiffChunk& Chunk, bool HaveFact);
    TWaveHeader Fail(std::string Reason);

    TWaveSource& FSource;
    TRiffWalker FChunks;
    TWaveHeader FHeader;
};

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

TWaveHeader TWalker::Fail(std::string Reason) {
    TWaveHeader Failed = FHeader;
    Failed.WavType = wtUnsupported;
    Failed.Error = std::move(Reason);
    return Failed;
}

TWaveHeader TWalker::TakeData(const TRiffChunk& Chunk, bool HaveFact) {
    // Compressed data needs "fact" for its length.
    bool Compressed = FHeader.WavType != wtPCM && FHeader.WavType != wtFloat;
    if (Compressed && !HaveFact && FChunks.Ds64SampleCount() < 0)
        return Fail("The \"fact\" chunk is missing.");
    if (FChunks.Ds64SampleCount() >= 0 && (!HaveFact || FHeader.SampleLength == DeferredSize))
        FHeader.SampleLength = FChunks.Ds64SampleCount();
    FHeader.DataSizeOffset = Chunk.Offset + 4;
    FHeader.DataOffset = Chunk.BodyOffset();
    FHeader.DataSize = Chunk.Size;
    FSource.Seek(Chunk.BodyOffset());
    return FHeader;
}

TWaveHeader TWalker::Walk() {
    if (!FChunks.FindContainer()) return Fail("The file has no RIFF WAVE header.");
    FHeader.Rf64 = FChunks.Rf64();
    bool HaveFormat = false, HaveFact = false;
    TRiffChunk Chunk;
    // Every chunk moves the walk at least 8 bytes on, and it stops at the end of the file.
    for (bool First = true; FChunks.Next(Chunk); First = false) {
        if (Chunk.Is("data")) {
            if (!HaveFormat) return Fail("The \"data\" chunk comes before the \"fmt \" chunk.");
            return TakeData(Chunk, HaveFact);
        }
        if (Chunk.End() > FSource.Size())
            return Fail("The \"" + ChunkIdText(Chunk.Id.data()) + "\" chunk passes the end of the file.");
        if (Chunk.Is("fmt ") && !HaveFormat) {
            if (!TakeFormat(FChunks.ReadBody(Chunk, std::min(Chunk.SizeField, MaxFormatBody))))
                return Fail(FHeader.Error);
            HaveFormat = true;
        } else if (Chunk.Is("fact") && !HaveFact) {
            FHeader.SampleLength = LittleEndian32(FChunks.ReadBody(Chunk, 4).data());
            FHeader.FactValueOffset = Chunk.BodyOffset();
            HaveFact = true;
        } else if (Chunk.Is("ds64")) {
            if (FChunks.Ds64Damaged()) return Fail("The \"ds64\" chunk is damaged.");
            FHeader.Ds64Offset = Chunk.Offset;
        } else if (First && Chunk.Is("JUNK") && Chunk.SizeField == uint32_t(Ds64BodySize)) {
            FHeader.Ds64Offset = Chunk.Offset;
        }
    }
    return Fail(HaveFormat ? "The \"data\" chunk is missing." : "The \"fmt \" chunk is missing.");
}

} // namespace

TWaveHeader WalkWaveHeader(TWaveSource& Source) {
    return TWalker(Source).Walk();
}

} // namespace deraz
