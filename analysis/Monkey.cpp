#include "analysis/Monkey.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace deraz {

namespace {

constexpr const char* CompressionNames[7] = {"Unknown",    "Fast",   "Normal",   "High",
                                             "Extra High", "Insane", "BrainDead"};

// Header layouts: versions before 3980 have a 30-byte header after the version word; later ones a
// 46-byte rest of the descriptor and then a header of which 24 bytes are read.
constexpr uint16_t FirstDescriptorVersion = 3980;
constexpr int32_t OldHeaderBytes = 30;
constexpr int32_t DescriptorRestBytes = 46;
constexpr uint32_t DescriptorBytes = 52;
constexpr uint32_t NewHeaderBytes = 24;

constexpr uint16_t ffEightBit = 0x0001;
constexpr uint16_t ffTwentyFourBit = 0x0008;

int64_t TotalSamples(uint32_t TotalFrames, uint32_t BlocksPerFrame, uint32_t FinalFrameBlocks) {
    if (TotalFrames == 0) return 0;
    return static_cast<int64_t>(uint64_t(TotalFrames - 1) * BlocksPerFrame + FinalFrameBlocks);
}

} // namespace

bool TMonkey::LoadFile(const std::string& FileName) {
    Clear();
    FId3v2.LoadFile(FileName);
    FId3v1.LoadFile(FileName);
    FApeTag.LoadFile(FileName);
    int64_t TagBytes = (FId3v1.Exists() ? 128 : 0) + (FId3v2.Exists() ? FId3v2.Size() : 0) +
                       (FApeTag.Exists() ? FApeTag.Size() : 0);
    if (!ReadHeader(FileName)) return false;

    if (FCompressionLevel % 1000 != 0 || FCompressionLevel > 6000)
        FCompressionText = std::to_string(FCompressionLevel);
    else
        FCompressionText = CompressionNames[FCompressionLevel / 1000];
    if (FSampleRate > 0) FDuration = double(FSamples) / FSampleRate;
    if (FDuration > 0) FBitrate = double(FFileSize - TagBytes) * 8.0 / FDuration / 1000.0;
    FValid = FBits > 0 && FSampleRate > 0 && FSamples > 0 && FChannels > 0;
    return FValid;
}

bool TMonkey::ReadHeader(const std::string& FileName) {
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        FFileSize = Stream.Size();
        if (FId3v2.Exists()) Stream.Seek(FId3v2.Size());
        uint8_t Id[6];
        if (Stream.Read(Id, 6) != 6 || std::memcmp(Id, "MAC ", 4) != 0) return false;
        FVersion = LittleEndian16(Id + 4);
        char Text[32];
        std::snprintf(Text, sizeof Text, "%4.2f", FVersion / 1000.0);
        FVersionText = Text;
        return FVersion < FirstDescriptorVersion ? ReadOldHeader(Stream) : ReadNewHeader(Stream);
    } catch (const EFileError&) {
        return false;
    }
}

bool TMonkey::ReadOldHeader(TTntFileStream& Stream) {
    uint8_t H[OldHeaderBytes];
    if (Stream.Read(H, OldHeaderBytes) != OldHeaderBytes) return false;
    FCompressionLevel = LittleEndian16(H);
    FFormatFlags = LittleEndian16(H + 2);
    FChannels = LittleEndian16(H + 4);
    FSampleRate = static_cast<int32_t>(LittleEndian32(H + 6));
    FBits = 16;
    if (FFormatFlags & ffEightBit) FBits = 8;
    if (FFormatFlags & ffTwentyFourBit) FBits = 24;
    uint32_t BlocksPerFrame = 9216;
    if (FVersion >= 3950)
        BlocksPerFrame = 294912;
    else if (FVersion >= 3900 || (FVersion >= 3800 && FCompressionLevel == 4000))
        BlocksPerFrame = 73728;
    FSamples = TotalSamples(LittleEndian32(H + 18), BlocksPerFrame, LittleEndian32(H + 22));
    return true;
}

bool TMonkey::ReadNewHeader(TTntFileStream& Stream) {
    uint8_t D[DescriptorRestBytes];
    if (Stream.Read(D, DescriptorRestBytes) != DescriptorRestBytes) return false;
    uint32_t DescriptorSize = LittleEndian32(D + 2);
    uint32_t HeaderSize = LittleEndian32(D + 6);
    if (DescriptorSize != DescriptorBytes) Stream.Seek(int64_t(DescriptorSize) - DescriptorBytes, soCurrent);
    uint8_t H[NewHeaderBytes] = {};
    int32_t Wanted = static_cast<int32_t>(std::min(HeaderSize, NewHeaderBytes));
    if (Stream.Read(H, Wanted) != Wanted) return false;
    FCompressionLevel = LittleEndian16(H);
    FFormatFlags = LittleEndian16(H + 2);
    FBits = LittleEndian16(H + 16);
    FChannels = LittleEndian16(H + 18);
    FSampleRate = static_cast<int32_t>(LittleEndian32(H + 20));
    FSamples = TotalSamples(LittleEndian32(H + 12), LittleEndian32(H + 4), LittleEndian32(H + 8));
    return true;
}

double TMonkey::CompressionRatio() const {
    if (!FValid) return 0.0;
    return double(FFileSize) / (double(FSamples) * (double(FChannels) * FBits / 8.0) + 44.0) * 100.0;
}

} // namespace deraz
