#include "macdll/ApeFormat.h"

#include "macdll/MACDll.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"

namespace deraz::ape {

namespace {

constexpr uint32_t BlocksPerFrameUnit = 73728;
constexpr int64_t JunkScanBytes = 1024 * 1024;
constexpr uint32_t OldHeaderBytes = 32;

uint32_t GetU16(const uint8_t* P) {
    return deraz::LittleEndian16(P);
}
uint32_t GetU32(const uint8_t* P) {
    return deraz::LittleEndian32(P);
}

// Position of the `MAC ` ID after an optional ID3v2 tag and other leading junk, or -1.
int64_t FindDescriptor(TFile& File, bool& IsFloat) {
    uint8_t Id3[10];
    int64_t Start = 0;
    if (File.ReadExactAt(0, Id3, sizeof Id3) && std::memcmp(Id3, "ID3", 3) == 0)
        Start = deraz::ID3v2TagBytes(Id3);
    std::vector<uint8_t> Window(size_t(JunkScanBytes + 4));
    const size_t Got = File.ReadAt(Start, Window.data(), Window.size());
    for (size_t I = 0; I + 4 <= Got; ++I) {
        if (std::memcmp(&Window[I], "MAC", 3) == 0 && (Window[I + 3] == ' ' || Window[I + 3] == 'F')) {
            IsFloat = Window[I + 3] == 'F';
            return Start + int64_t(I);
        }
    }
    return -1;
}

// Length of the file without an APEv2 and/or ID3v1 tag at its end.
int64_t LengthWithoutTags(TFile& File, int64_t Size) {
    uint8_t Footer[32];
    if (Size >= 128 && File.ReadExactAt(Size - 128, Footer, 3) && std::memcmp(Footer, "TAG", 3) == 0)
        Size -= 128;
    if (Size >= 32 && File.ReadExactAt(Size - 32, Footer, 32) && std::memcmp(Footer, "APETAGEX", 8) == 0) {
        int64_t TagBytes = GetU32(Footer + 12);
        if (GetU32(Footer + 20) & 0x80000000u) TagBytes += 32;
        if (TagBytes <= Size) Size -= TagBytes;
    }
    return Size;
}

bool ReadBlock(TFile& File, int64_t Position, uint32_t Bytes, std::vector<uint8_t>& To) {
    To.resize(Bytes);
    return File.ReadExactAt(Position, To.data(), Bytes);
}

int CheckFormat(const TApeFileInfo& Info) {
    if (!ValidLevel(Info.Level)) return ERROR_INVALID_INPUT_FILE;
    if (Info.Flags & 0x1FC0) return ERROR_UNSUPPORTED_FILE_TYPE; // non-WAV sources, big-endian, float
    if (Info.Channels < 1 || Info.Channels > 2) return ERROR_INPUT_FILE_UNSUPPORTED_CHANNEL_COUNT;
    if (Info.BitsPerSample != 8 && Info.BitsPerSample != 16 && Info.BitsPerSample != 24)
        return ERROR_INPUT_FILE_UNSUPPORTED_BIT_DEPTH;
    if (Info.SampleRate <= 0) return ERROR_INPUT_FILE_UNSUPPORTED_SAMPLE_RATE;
    const uint32_t MaxBlocksPerFrame = Info.Level == 5000 ? 10000000 : 1000000;
    if (Info.BlocksPerFrame == 0 || Info.BlocksPerFrame > MaxBlocksPerFrame) return ERROR_INVALID_INPUT_FILE;
    // A file without frames holds no audio; our encoder writes one for an empty input.
    if (Info.TotalFrames == 0) return Info.FinalFrameBlocks == 0 ? ERROR_SUCCESS : ERROR_INVALID_INPUT_FILE;
    if (Info.FinalFrameBlocks == 0 || Info.FinalFrameBlocks > Info.BlocksPerFrame)
        return ERROR_INVALID_INPUT_FILE;
    return ERROR_SUCCESS;
}

} // namespace

uint32_t BlocksPerFrameForLevel(int32_t Level) {
    if (Level == 4000) return 4 * BlocksPerFrameUnit;
    if (Level == 5000) return 16 * BlocksPerFrameUnit;
    return BlocksPerFrameUnit;
}

void PutU16(uint8_t* To, uint32_t V) {
    To[0] = uint8_t(V);
    To[1] = uint8_t(V >> 8);
}

void PutU32(uint8_t* To, uint32_t V) {
    PutU16(To, V);
    PutU16(To + 2, V >> 16);
}

int ReadApeFileInfo(TFile& File, TApeFileInfo& Info) {
    const int64_t FileSize = File.Size();
    bool IsFloat = false;
    const int64_t Junk = FindDescriptor(File, IsFloat);
    if (Junk < 0) return ERROR_INVALID_INPUT_FILE;
    if (IsFloat) return ERROR_UNSUPPORTED_FILE_TYPE;
    uint8_t H[DescriptorBytes];
    if (!File.ReadExactAt(Junk, H, 6)) return ERROR_INVALID_INPUT_FILE;
    Info.Version = int32_t(GetU16(H + 4));
    if (Info.Version < OldestVersion || Info.Version > CurrentVersion) return ERROR_UNSUPPORTED_FILE_TYPE;

    uint32_t SeekTableBytes, HeaderDataBytes;
    int64_t DescriptorFrameBytes = -1;
    int64_t SeekTablePos, HeaderDataPos;
    if (Info.Version >= 3980) {
        if (!File.ReadExactAt(Junk, H, DescriptorBytes)) return ERROR_INVALID_INPUT_FILE;
        const uint32_t DescBytes = GetU32(H + 8), HdrBytes = GetU32(H + 12);
        SeekTableBytes = GetU32(H + 16);
        HeaderDataBytes = GetU32(H + 20);
        DescriptorFrameBytes = int64_t(GetU32(H + 24)) | int64_t(GetU32(H + 28)) << 32;
        Info.TerminatingBytes = GetU32(H + 32);
        std::memcpy(Info.Md5.data(), H + 36, 16);
        if (DescBytes < DescriptorBytes || DescBytes > JunkScanBytes || HdrBytes < HeaderBytes ||
            HdrBytes > JunkScanBytes)
            return ERROR_INVALID_INPUT_FILE;
        uint8_t Hd[HeaderBytes];
        if (!File.ReadExactAt(Junk + DescBytes, Hd, HeaderBytes)) return ERROR_INVALID_INPUT_FILE;
        Info.Level = int32_t(GetU16(Hd));
        Info.Flags = uint16_t(GetU16(Hd + 2));
        Info.BlocksPerFrame = GetU32(Hd + 4);
        Info.FinalFrameBlocks = GetU32(Hd + 8);
        Info.TotalFrames = GetU32(Hd + 12);
        Info.BitsPerSample = int32_t(GetU16(Hd + 16));
        Info.Channels = int32_t(GetU16(Hd + 18));
        Info.SampleRate = int32_t(GetU32(Hd + 20));
        SeekTablePos = Junk + DescBytes + HdrBytes;
        HeaderDataPos = SeekTablePos + SeekTableBytes;
    } else {
        if (!File.ReadExactAt(Junk, H, OldHeaderBytes)) return ERROR_INVALID_INPUT_FILE;
        Info.Level = int32_t(GetU16(H + 6));
        Info.Flags = uint16_t(GetU16(H + 8));
        Info.Channels = int32_t(GetU16(H + 10));
        Info.SampleRate = int32_t(GetU32(H + 12));
        HeaderDataBytes = GetU32(H + 16);
        Info.TerminatingBytes = GetU32(H + 20);
        Info.TotalFrames = GetU32(H + 24);
        Info.FinalFrameBlocks = GetU32(H + 28);
        Info.BitsPerSample = (Info.Flags & 1) ? 8 : (Info.Flags & 8) ? 24 : 16;
        Info.BlocksPerFrame = BlocksPerFrameUnit * 4; // versions 3950 and later
        int64_t Pos = Junk + OldHeaderBytes;
        if (Info.Flags & 4) Pos += 4; // peak level
        uint32_t SeekEntries = Info.TotalFrames;
        if (Info.Flags & 16) {
            uint8_t Count[4];
            if (!File.ReadExactAt(Pos, Count, 4)) return ERROR_INVALID_INPUT_FILE;
            SeekEntries = GetU32(Count);
            Pos += 4;
        }
        if (Info.Flags & FlagCreateWavHeader) HeaderDataBytes = 0;
        HeaderDataPos = Pos;
        SeekTablePos = HeaderDataPos + HeaderDataBytes;
        if (SeekEntries > uint32_t(JunkScanBytes)) return ERROR_INVALID_INPUT_FILE;
        SeekTableBytes = SeekEntries * 4;
        Info.Flags &= uint16_t(~(1u | 2u | 4u | 8u | 16u)); // old layout flags, consumed here
    }
    if (int Error = CheckFormat(Info)) return Error;
    if (HeaderDataBytes > MaxWrapperBytes || Info.TerminatingBytes > MaxWrapperBytes)
        return ERROR_INVALID_INPUT_FILE;
    if (SeekTableBytes / 4 < Info.TotalFrames || int64_t(SeekTableBytes) > FileSize)
        return ERROR_INVALID_INPUT_FILE;

    std::vector<uint8_t> Table;
    if (!ReadBlock(File, SeekTablePos, Info.TotalFrames * 4, Table)) return ERROR_INVALID_INPUT_FILE;
    if (!ReadBlock(File, HeaderDataPos, HeaderDataBytes, Info.HeaderData)) return ERROR_INVALID_INPUT_FILE;
    Info.FrameDataStart = std::max(SeekTablePos + SeekTableBytes, HeaderDataPos + HeaderDataBytes);
    const int64_t Available = FileSize - Info.FrameDataStart;
    if (Available < 0) return ERROR_INVALID_INPUT_FILE;
    if (DescriptorFrameBytes >= 0) {
        Info.FrameDataBytes = std::min(DescriptorFrameBytes, Available);
        if (Info.FrameDataBytes == DescriptorFrameBytes)
            ReadBlock(File, Info.FrameDataStart + Info.FrameDataBytes, Info.TerminatingBytes,
                      Info.Terminating);
    } else {
        const int64_t End = LengthWithoutTags(File, FileSize) - Info.TerminatingBytes;
        Info.FrameDataBytes = std::max<int64_t>(0, End - Info.FrameDataStart);
        ReadBlock(File, End, Info.TerminatingBytes, Info.Terminating);
    }
    if (Info.Terminating.size() != Info.TerminatingBytes) Info.Terminating.clear();

    // Seek entries are 32-bit offsets from the descriptor; larger files wrap them around.
    Info.FrameOffsets.assign(Info.TotalFrames + 1, 0);
    int64_t Wraps = 0;
    uint32_t Previous = Table.empty() ? 0 : GetU32(Table.data());
    for (uint32_t I = 1; I < Info.TotalFrames; ++I) {
        const uint32_t Entry = GetU32(&Table[4 * I]);
        if (Entry < Previous) Wraps += int64_t(1) << 32;
        Previous = Entry;
        const int64_t Offset = int64_t(Entry) + Wraps + Junk - Info.FrameDataStart;
        if (Offset < Info.FrameOffsets[I - 1]) return ERROR_INVALID_INPUT_FILE;
        // A cut file keeps its complete frames; the missing ones fail when they are decoded.
        Info.FrameOffsets[I] = std::min(Offset, Info.FrameDataBytes);
    }
    Info.FrameOffsets[Info.TotalFrames] = Info.FrameDataBytes;
    return ERROR_SUCCESS;
}

} // namespace deraz::ape
