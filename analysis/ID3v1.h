// The 128-byte ID3v1 tag at the end of a file.
#pragma once

#include <cstdint>
#include <string>

namespace deraz {

// Number of entries in the genre table.
constexpr int ID3v1GenreCount = 148;
// Genre name by ID3v1 genre number, 0 to 147.
extern const char* const ID3v1Genres[ID3v1GenreCount];

class TID3v1 {
public:
    // Reads the tag of FileName; false only when the last 128 bytes cannot be read.
    bool LoadFile(const std::string& FileName);
    void Clear() { *this = TID3v1(); }

    // A tag was found.
    bool Exists() const { return FExists; }
    // 1 for ID3v1.0, 2 for ID3v1.1.
    uint8_t VersionId() const { return FVersionId; }
    // Title, at most 30 bytes of the tag.
    const std::string& Title() const { return FTitle; }
    // Artist, at most 30 bytes.
    const std::string& Artist() const { return FArtist; }
    // Album, at most 30 bytes.
    const std::string& Album() const { return FAlbum; }
    // Year, at most 4 bytes.
    const std::string& Year() const { return FYear; }
    // Comment: 30 bytes in version 1.0, 28 in version 1.1.
    const std::string& Comment() const { return FComment; }
    // Track number; 0 unless version 1.1.
    uint8_t Track() const { return FTrack; }
    // Genre number; 255 when unknown.
    uint8_t GenreId() const { return FGenreId; }
    // The genre's name, empty for a number outside the table.
    std::string GenreText() const;

private:
    bool FExists = false;
    uint8_t FVersionId = 1;
    std::string FTitle, FArtist, FAlbum, FYear, FComment;
    uint8_t FTrack = 0;
    uint8_t FGenreId = 255;
};

} // namespace deraz
