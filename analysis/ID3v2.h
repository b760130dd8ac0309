// The ID3v2 tag at the start of a file (versions 2.2, 2.3 and 2.4): its size and its text frames.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace deraz {

// Total size of an ID3v2 tag from its 10-byte header (the four size bytes taken whole, plus the
// header and any footer); 0 when the header is not "ID3" or the tag would exceed FileSize.
int32_t ID3v2TagSize(const uint8_t* Header, int64_t FileSize);

class TID3v2 {
public:
    // Reads the tag of FileName; false only when the first 10 bytes cannot be read.
    bool LoadFile(const std::string& FileName);
    void Clear() { *this = TID3v2(); }

    // The file starts with "ID3".
    bool Exists() const { return FExists; }
    // Major version byte of the header.
    uint8_t VersionId() const { return FVersionId; }
    // Total tag size in bytes, header and footer included; 0 when none or larger than the file.
    int32_t Size() const { return FSize; }
    const std::string& Title() const { return FTitle; }
    const std::string& Artist() const { return FArtist; }
    const std::string& Album() const { return FAlbum; }
    // Number before any "/" of the track text; 0 when not a number.
    int32_t Track() const { return FTrack; }
    // The whole track text.
    const std::string& TrackText() const { return FTrackText; }
    const std::string& Year() const { return FYear; }
    // Genre text after its last ")".
    const std::string& Genre() const { return FGenre; }
    // Comment text without its language and description.
    const std::string& Comment() const { return FComment; }
    const std::string& Composer() const { return FComposer; }
    const std::string& Encoder() const { return FEncoder; }
    const std::string& CopyrightText() const { return FCopyrightText; }
    const std::string& Language() const { return FLanguage; }
    // URL of the user link frame without its description.
    const std::string& Link() const { return FLink; }

private:
    static constexpr int SlotCount = 16;
    using TSlots = std::array<std::string, SlotCount>;

    void ReadFrames(const std::string& FileName, TSlots& Slots) const;
    void MapFields(const TSlots& Slots);

    bool FExists = false;
    uint8_t FVersionId = 0;
    int32_t FSize = 0;
    std::string FTitle, FArtist, FAlbum;
    int32_t FTrack = 0;
    std::string FTrackText, FYear, FGenre, FComment, FComposer, FEncoder, FCopyrightText, FLanguage, FLink;
};

} // namespace deraz
