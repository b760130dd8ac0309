// The fields the media info shows of an Ogg stream's comment header (Ogg Vorbis, Opus), by the
// comments' names in any case.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace deraz {

class TVorbisComments {
public:
    const std::string& Title() const { return FSlots[csTitle]; }
    // ARTIST, or PERFORMER when there is no ARTIST.
    const std::string& Artist() const { return Either(csArtist, csPerformer); }
    const std::string& Album() const { return FSlots[csAlbum]; }
    // Number before any "/" of TRACKNUMBER; 0 when not a number.
    int32_t Track() const;
    const std::string& Date() const { return FSlots[csDate]; }
    const std::string& Genre() const { return FSlots[csGenre]; }
    // COMMENT, or DESCRIPTION when there is no COMMENT.
    const std::string& Comment() const { return Either(csComment, csDescription); }

protected:
    // Keeps Value (UTF-8 up to its first invalid byte, without control characters) when Name is
    // one of the fields; a later comment of a name replaces an earlier one.
    void TakeComment(std::string_view Name, std::string_view Value);

private:
    enum TSlot {
        csTitle,
        csArtist,
        csAlbum,
        csTrack,
        csDate,
        csGenre,
        csComment,
        csPerformer,
        csDescription
    };
    static constexpr const char* Names[] = {"TITLE", "ARTIST",  "ALBUM",     "TRACKNUMBER", "DATE",
                                            "GENRE", "COMMENT", "PERFORMER", "DESCRIPTION"};

    const std::string& Either(TSlot Slot, TSlot Fallback) const {
        return FSlots[Slot].empty() ? FSlots[Fallback] : FSlots[Slot];
    }

    std::array<std::string, std::size(Names)> FSlots;
};

} // namespace deraz
