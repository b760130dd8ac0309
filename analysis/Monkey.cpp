#include "analysis/Monkey.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"
#include "codecs/ape/ApeHeader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace deraz {

namespace {

constexpr const char* CompressionNames[7] = {"Unknown",    "Fast",   "Normal",   "High",
                                             "Extra High", "Insane", "BrainDead"};

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
    std::optional<TApeHeader> Header;
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        FFileSize = Stream.Size();
        const int64_t Start = FId3v2.Exists() ? FId3v2.Size() : 0;
        Header = ReadApeHeader([&](int64_t Offset, void* Buffer, int32_t Count) {
            return Stream.Seek(Start + Offset) == Start + Offset && Stream.Read(Buffer, Count) == Count;
        });
    } catch (const EFileError&) {
        return false;
    }
    if (!Header) return false;
    FVersion = Header->Version;
    char Text[32];
    std::snprintf(Text, sizeof Text, "%4.2f", FVersion / 1000.0);
    FVersionText = Text;
    FCompressionLevel = Header->CompressionLevel;
    FFormatFlags = Header->FormatFlags;
    FChannels = Header->Channels;
    FSampleRate = Header->SampleRate;
    FBits = Header->Bits;
    FSamples = Header->Samples;
    return true;
}

double TMonkey::CompressionRatio() const {
    if (!FValid) return 0.0;
    return double(FFileSize) / (double(FSamples) * (double(FChannels) * FBits / 8.0) + 44.0) * 100.0;
}

} // namespace deraz
