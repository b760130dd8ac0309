#include "analysis/WAVfile.h"

#include "analysis/TextUtils.h"
#include "codecs/wave/RiffWalker.h"

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
// they come (LIST, bext, JUNK, ...), the same walk the WAV source makes.
TWAVfile::TLayout TWAVfile::WalkChunks(TWaveSource& Source) {
    TLayout L;
    L.FileBytes = Source.Size();
    TRiffWalker Chunks(Source);
    L.Wave = Chunks.FindContainer();
    uint32_t FactCount = 0;
    TRiffChunk Chunk;
    while (L.Wave && !L.DataFound && Chunks.Next(Chunk)) {
        if (Chunk.Is("fmt ") && !L.FormatFound) {
            L.FormatFound = true;
            L.FormatSize = Chunk.SizeField;
            std::vector<uint8_t> Format = Chunks.ReadBody(Chunk, FormatBytes);
            std::copy(Format.begin(), Format.end(), L.Format);
        } else if (Chunk.Is("fact") && !L.FactFound) {
            L.FactFound = Chunk.Size >= 4 && Chunk.BodyOffset() + 4 <= L.FileBytes;
            FactCount = LittleEndian32(Chunks.ReadBody(Chunk, 4).data());
        } else if (Chunk.Is("data")) {
            L.DataFound = true;
            L.DataOffset = Chunk.BodyOffset();
            L.DataSize = uint64_t(Chunk.Size);
        }
    }
    L.FactFrames = uint64_t(Chunks.Resolved(FactCount, Chunks.Ds64SampleCount()));
    L.RiffEnd = uint64_t(Chunks.ContainerEnd());
    return L;
}

bool TWAVfile::LoadFile(const std::string& FileName) {
    Clear();
    TLayout Layout;
    try {
        TFileStream Stream(FileName, TFileOpenMode::ReadOnly);
        TFileWaveSource Source(Stream);
        Layout = WalkChunks(Source);
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
