#include "analysis/WAVfile.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <cstring>

namespace deraz {

bool TWAVfile::LoadFile(const std::string& FileName) {
    Clear();
    uint8_t Header[44] = {};
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        Stream.Read(Header, 36);
        // The data size is the size field of the chunk right after "fmt ".
        int64_t DataSizeAt = int64_t(LittleEndian32(Header + 16)) + 24;
        if (DataSizeAt < Stream.Size()) {
            Stream.Seek(DataSizeAt);
            Stream.Read(Header + 40, 4);
        }
    } catch (const EFileError&) {
        return false;
    }
    if (std::memcmp(Header, "RIFF", 4) != 0 || std::memcmp(Header + 8, "WAVE", 4) != 0 ||
        std::memcmp(Header + 12, "fmt ", 4) != 0 || LittleEndian16(Header + 22) == 0)
        return true;
    FValid = true;
    FFormatChunkSize = LittleEndian32(Header + 16);
    FFormatTag = LittleEndian16(Header + 20);
    FChannels = Header[22];
    FSampleRate = LittleEndian32(Header + 24);
    FBytesPerSecond = LittleEndian32(Header + 28);
    FBlockAlign = LittleEndian16(Header + 32);
    FBitsPerSample = Header[34];
    uint32_t DataSize = LittleEndian32(Header + 40);
    FSampleCount = FBlockAlign == 0 ? 0 : DataSize / FBlockAlign;
    FHeaderSize = FFormatChunkSize + 28;
    FFileSize = LittleEndian32(Header + 4) + 8;
    if (FHeaderSize > FFileSize) FHeaderSize = FFileSize;
    FFileName = FileName;
    FBitrate = FBytesPerSecond * 8.0 / 1000.0;
    return true;
}

double TWAVfile::Duration() const {
    if (!FValid) return 0.0;
    if (FSampleCount != 0 && FSampleRate != 0) return double(FSampleCount) / FSampleRate;
    if (FSampleCount == 0 && FBytesPerSecond != 0) return double(FFileSize - FHeaderSize) / FBytesPerSecond;
    return 0.0;
}

} // namespace deraz
