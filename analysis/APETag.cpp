#include "analysis/APETag.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <algorithm>
#include <cstring>

namespace deraz {

namespace {

constexpr int32_t FooterBytes = 32;
// Item values are kept up to this many bytes.
constexpr uint32_t ValueBytes = 250;

// Reads a zero-terminated name from the stream and leaves the position after its zero byte;
// false when the name runs on to Limit or to the end of the file.
bool ReadName(TTntFileStream& Stream, int64_t Limit, std::string& Name) {
    char Chunk[64];
    for (;;) {
        int64_t Start = Stream.Position();
        if (Start >= Limit) return false;
        int32_t Got = Stream.Read(Chunk, sizeof Chunk);
        const char* Zero = static_cast<const char*>(std::memchr(Chunk, 0, size_t(Got)));
        if (Zero) {
            Name.append(Chunk, size_t(Zero - Chunk));
            Stream.Seek(Start + (Zero - Chunk) + 1);
            return true;
        }
        if (Got < int32_t(sizeof Chunk)) return false;
        Name.append(Chunk, size_t(Got));
    }
}

} // namespace

bool TAPETag::LoadFile(const std::string& FileName) {
    Clear();
    uint8_t Footer[FooterBytes];
    int64_t TagEnd = 0;
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        int64_t FileSize = Stream.Size();
        int64_t Id3v1Bytes = 0;
        char Marker[3];
        if (FileSize >= 129 && Stream.Seek(FileSize - 128) >= 0 && Stream.Read(Marker, 3) == 3 &&
            std::memcmp(Marker, "TAG", 3) == 0)
            Id3v1Bytes = 128;
        TagEnd = FileSize - Id3v1Bytes;
        int64_t FooterStart = TagEnd - FooterBytes;
        if (FooterStart <= 0) return false;
        Stream.Seek(FooterStart);
        if (Stream.Read(Footer, FooterBytes) != FooterBytes) return false;
    } catch (const EFileError&) {
        return false;
    }
    if (std::memcmp(Footer, "APETAGEX", 8) != 0) return true;
    FExists = true;
    FVersion = static_cast<int32_t>(LittleEndian32(Footer + 8));
    FSize = static_cast<int32_t>(LittleEndian32(Footer + 12));
    ReadItems(FileName, TagEnd, LittleEndian32(Footer + 16));
    return true;
}

// Reads up to ItemCount items from TagEnd - Size on. Items lie before the footer, so the reading
// also ends there, whatever count the footer claims; errors end it quietly.
void TAPETag::ReadItems(const std::string& FileName, int64_t TagEnd, uint32_t ItemCount) {
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        if (Stream.Seek(TagEnd - FSize) < 0) return;
        const int64_t ItemsEnd = TagEnd - FooterBytes;
        for (uint32_t Item = 0; Item < ItemCount && Stream.Position() < ItemsEnd; ++Item) {
            uint8_t Head[8];
            if (Stream.Read(Head, 8) != 8) return;
            uint32_t ValueSize = LittleEndian32(Head);
            std::string Name;
            if (!ReadName(Stream, ItemsEnd, Name)) return;
            int64_t ValueStart = Stream.Position();
            std::string Value(ValueBytes, '\0');
            Stream.Read(Value.data(), static_cast<int32_t>(std::min(ValueSize, ValueBytes)));
            FFields.push_back({TrimControls(Name), TrimControls(Value)});
            Stream.Seek(ValueStart + ValueSize);
        }
    } catch (const EFileError&) {
    }
}

} // namespace deraz
