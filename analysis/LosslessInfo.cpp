#include "analysis/LosslessInfo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <vector>

#include "codecs/aiff/AiffHeader.h"
#include "platform/ByteOrder.h"
#include "platform/FileStream.h"

namespace deraz {

namespace {

// The rates a WavPack block header indexes; index 15 means a rate given in the metadata.
constexpr int32_t WavPackRates[] = {6000,  8000,  9600,  11025, 12000, 16000, 22050, 24000,
                                    32000, 44100, 48000, 64000, 88200, 96000, 192000};
constexpr uint32_t MonoFlag = 0x4, HybridFlag = 0x8, FloatFlag = 0x80;
constexpr int RateShift = 23;
constexpr uint8_t ChannelInfoId = 0x0D, SampleRateId = 0x27, IdMask = 0x3F, LargeId = 0x80, OddSizeId = 0x40;
constexpr size_t BlockHeaderBytes = 32;
// The largest first block read whole; real ones are far smaller.
constexpr uint32_t MaxBlockBytes = 1 << 20;

} // namespace

bool TLosslessInfo::Start(const std::string& FileName) {
    *this = TLosslessInfo();
    std::error_code Error;
    const auto Size = std::filesystem::file_size(std::filesystem::u8path(FileName), Error);
    if (Error) return false;
    FFileSize = Size;
    return true;
}

double TLosslessInfo::Duration() const {
    return FValid && FSampleRate > 0 && FSampleCount > 0 ? double(FSampleCount) / FSampleRate : 0.0;
}

int32_t TLosslessInfo::Bitrate() const {
    const double Seconds = Duration();
    return Seconds > 0 ? int32_t(std::lround(double(FFileSize) * 8 / Seconds / 1000)) : 0;
}

bool TWavPackFile::LoadFile(const std::string& FileName) {
    FHybrid = false;
    FVersion = 0;
    if (!Start(FileName)) return false;
    try {
        TFileStream Stream(FileName, TFileOpenMode::ReadOnly);
        uint8_t Header[BlockHeaderBytes];
        if (!Stream.ReadExact(Header, BlockHeaderBytes) ||
            std::string(reinterpret_cast<char*>(Header), 4) != "wvpk")
            return true;
        const uint32_t BlockBytes = LittleEndian32(Header + 4) + 8;
        FVersion = LittleEndian16(Header + 8);
        const uint32_t Total = LittleEndian32(Header + 12);
        const uint32_t Flags = LittleEndian32(Header + 24);
        if (FVersion < 0x402 || FVersion > 0x410 || BlockBytes < BlockHeaderBytes ||
            BlockBytes > MaxBlockBytes)
            return true;
        // 40-bit counts: the high byte counts units of 2^32 - 1; all ones in the low word means unknown.
        FSampleCount = Total == 0xFFFFFFFF ? -1 : int64_t(Total) + (int64_t(Header[11]) << 32) - Header[11];
        FBitsPerSample = int32_t((Flags & 3) + 1) * 8;
        FFloat = (Flags & FloatFlag) != 0;
        FHybrid = (Flags & HybridFlag) != 0;
        FChannels = Flags & MonoFlag ? 1 : 2;
        const uint32_t RateIndex = (Flags >> RateShift) & 0xF;
        FSampleRate = RateIndex < std::size(WavPackRates) ? WavPackRates[RateIndex] : 0;
        std::vector<uint8_t> Metadata(BlockBytes - BlockHeaderBytes);
        if (Stream.Read(Metadata.data(), int64_t(Metadata.size())) != int64_t(Metadata.size())) return true;
        ReadMetadata(Metadata.data(), Metadata.size());
        FValid = FChannels > 0 && FSampleRate > 0;
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void TWavPackFile::ReadMetadata(const uint8_t* Data, size_t Size) {
    size_t At = 0;
    while (At + 2 <= Size) {
        const uint8_t Id = Data[At];
        size_t Bytes = size_t(Data[At + 1]) * 2;
        size_t Head = 2;
        if (Id & LargeId) {
            if (At + 4 > Size) return;
            Bytes = (size_t(Data[At + 1]) | size_t(Data[At + 2]) << 8 | size_t(Data[At + 3]) << 16) * 2;
            Head = 4;
        }
        const size_t Body = At + Head;
        if (Body + Bytes > Size) return;
        const size_t Length = Id & OddSizeId && Bytes > 0 ? Bytes - 1 : Bytes;
        if ((Id & IdMask) == ChannelInfoId && Length >= 1) FChannels = Data[Body];
        if ((Id & IdMask) == (SampleRateId & IdMask) && Length >= 3)
            FSampleRate = int32_t(Data[Body] | Data[Body + 1] << 8 | Data[Body + 2] << 16);
        At = Body + Bytes;
    }
}

bool TAIFFfile::LoadFile(const std::string& FileName) {
    FCompression.clear();
    if (!Start(FileName)) return false;
    try {
        TFileStream Stream(FileName, TFileOpenMode::ReadOnly);
        TFileWaveSource Source(Stream);
        const TAiffHeader Header = WalkAiffHeader(Source);
        FValid = Header.Encoding != aeUnsupported;
        if (!FValid) return true;
        FChannels = Header.Channels;
        FSampleRate = int32_t(std::lround(Header.SampleRate));
        FBitsPerSample = Header.BitsPerSample;
        FFloat = Header.Encoding == aeFloat;
        FSampleCount = Header.Frames;
        FCompression = Header.Encoding == aeLittleEndian ? "sowt"
                       : FFloat                          ? (FBitsPerSample == 32 ? "fl32" : "fl64")
                                                         : "NONE";
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace deraz
