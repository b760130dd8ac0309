#include "analysis/WAVfile.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <algorithm>
#include <cstring>

namespace deraz {

namespace {

constexpr uint16_t wfPCM = 0x0001;
constexpr uint16_t wfMSADPCM = 0x0002;
constexpr uint16_t wfIEEEFloat = 0x0003;
constexpr uint16_t wfIMAADPCM = 0x0011;
constexpr uint16_t wfExtensible = 0xFFFE;
// The "fmt " chunk is read up to the first two bytes of the extensible format's sub-format GUID,
// which hold the format code of the data.
constexpr uint32_t FormatBytes = 26;
// An RF64 size field with this value stands for the 64-bit size of the "ds64" chunk.
constexpr uint32_t SizeInDs64 = 0xFFFFFFFF;

bool IsId(const uint8_t* Bytes, const char* Id) {
    return std::memcmp(Bytes, Id, 4) == 0;
}

} // namespace

struct TWAVfile::TLayout {
    int64_t FileBytes = 0;
    bool Wave = false;
    // RIFF size + 8, from the "ds64" chunk for RF64.
    uint64_t RiffEnd = 0;
    bool FormatFound = false;
    uint32_t FormatSize = 0;
    uint8_t Format[FormatBytes] = {};
    bool FactFound = false;
    uint64_t FactFrames = 0;
    bool DataFound = false;
    int64_t DataOffset = 0;
    uint64_t DataSize = 0;
};

// Walks the chunks from the first one after "WAVE" up to "data", in whatever order and number
// they come (LIST, bext, JUNK, ...). Odd-sized chunks are followed by a zero pad byte, which is
// skipped when it is there.
TWAVfile::TLayout TWAVfile::WalkChunks(TTntFileStream& Stream) {
    TLayout L;
    L.FileBytes = Stream.Size();
    uint8_t Head[12] = {};
    if (Stream.Read(Head, 12) != 12) return L;
    bool Rf64 = IsId(Head, "RF64") || IsId(Head, "BW64");
    L.Wave = (IsId(Head, "RIFF") || Rf64) && IsId(Head + 8, "WAVE");
    L.RiffEnd = uint64_t(LittleEndian32(Head + 4)) + 8;
    uint64_t Ds64Data = 0, Ds64Frames = 0;
    auto Wide = [&](uint32_t Size, uint64_t Ds64Size) {
        return Rf64 && Size == SizeInDs64 ? Ds64Size : Size;
    };
    for (int64_t At = 12; L.Wave && !L.DataFound && At + 8 <= L.FileBytes;) {
        uint8_t Chunk[8];
        Stream.Seek(At);
        if (Stream.Read(Chunk, 8) != 8) break;
        uint32_t Size = LittleEndian32(Chunk + 4);
        int64_t Body = At + 8;
        if (Rf64 && IsId(Chunk, "ds64")) {
            uint8_t Sizes[24] = {};
            Stream.Read(Sizes, 24);
            L.RiffEnd = LittleEndian64(Sizes) + 8;
            Ds64Data = LittleEndian64(Sizes + 8);
            Ds64Frames = LittleEndian64(Sizes + 16);
        } else if (IsId(Chunk, "fmt ") && !L.FormatFound) {
            L.FormatFound = true;
            L.FormatSize = Size;
            Stream.Read(L.Format, int32_t(std::min(Size, FormatBytes)));
        } else if (IsId(Chunk, "fact") && !L.FactFound) {
            uint8_t Frames[4] = {};
            L.FactFound = Stream.Read(Frames, 4) == 4;
            L.FactFrames = Wide(LittleEndian32(Frames), Ds64Frames);
        } else if (IsId(Chunk, "data")) {
            L.DataFound = true;
            L.DataOffset = Body;
            L.DataSize = Wide(Size, Ds64Data);
        }
        At = Body + Size;
        uint8_t Pad = 1;
        if (Size % 2 == 1 && Stream.Seek(At) == At && Stream.Read(&Pad, 1) == 1 && Pad == 0) ++At;
    }
    return L;
}

bool TWAVfile::LoadFile(const std::string& FileName) {
    Clear();
    TLayout Layout;
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        Layout = WalkChunks(Stream);
    } catch (const EFileError&) {
        return false;
    }
    if (!Layout.Wave || !Layout.FormatFound || LittleEndian16(Layout.Format + 2) == 0) return true;
    FValid = true;
    FFormatChunkSize = Layout.FormatSize;
    TakeFormat(Layout.Format);
    TakeLength(Layout);
    FFileName = FileName;
    FBitrate = FBytesPerSecond * 8.0 / 1000.0;
    return true;
}

void TWAVfile::TakeFormat(const uint8_t* Format) {
    FFormatTag = LittleEndian16(Format);
    FChannels = Format[2];
    FSampleRate = LittleEndian32(Format + 4);
    FBytesPerSecond = LittleEndian32(Format + 8);
    FBlockAlign = LittleEndian16(Format + 12);
    FBitsPerSample = Format[14];
}

void TWAVfile::TakeLength(const TLayout& L) {
    uint64_t FileBytes = uint64_t(L.FileBytes);
    FFileSize = std::min(L.RiffEnd, FileBytes);
    FHeaderSize = std::min<uint64_t>(L.DataFound ? L.DataOffset : FileBytes, FFileSize);
    if (L.DataFound) FDataSize = std::min(L.DataSize, FileBytes - uint64_t(L.DataOffset));

    uint16_t DataFormat = FFormatTag;
    if (FFormatTag == wfExtensible && L.FormatSize >= FormatBytes) DataFormat = LittleEndian16(L.Format + 24);
    if (DataFormat == wfPCM || DataFormat == wfIEEEFloat) {
        FSampleCount = FBlockAlign == 0 ? 0 : FDataSize / FBlockAlign;
        return;
    }
    // Compressed data: the "fact" chunk counts the frames; without it the duration comes from the
    // byte rate. ADPCM blocks hold a fixed number of frames, and the last one is padded to it.
    if (!L.FactFound) return;
    FSampleCount = L.FactFrames;
    uint16_t FramesPerBlock = LittleEndian16(L.Format + 18);
    if ((DataFormat == wfMSADPCM || DataFormat == wfIMAADPCM) && L.FormatSize >= 20 && FBlockAlign != 0) {
        uint64_t Blocks = (FDataSize + FBlockAlign - 1) / FBlockAlign;
        FSampleCount = std::min(FSampleCount, Blocks * FramesPerBlock);
    }
}

double TWAVfile::Duration() const {
    if (!FValid) return 0.0;
    if (FSampleCount != 0 && FSampleRate != 0) return double(FSampleCount) / FSampleRate;
    if (FSampleCount == 0 && FBytesPerSecond != 0)
        return double(FDataSize != 0 ? FDataSize : FFileSize - FHeaderSize) / FBytesPerSecond;
    return 0.0;
}

} // namespace deraz
