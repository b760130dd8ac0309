#include "analysis/ID3v1.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <cstring>

namespace deraz {

const char* const ID3v1Genres[ID3v1GenreCount] = {"Blues",
                                                  "Classic Rock",
                                                  "Country",
                                                  "Dance",
                                                  "Disco",
                                                  "Funk",
                                                  "Grunge",
                                                  "Hip-Hop",
                                                  "Jazz",
                                                  "Metal",
                                                  "New Age",
                                                  "Oldies",
                                                  "Other",
                                                  "Pop",
                                                  "R&B",
                                                  "Rap",
                                                  "Reggae",
                                                  "Rock",
                                                  "Techno",
                                                  "Industrial",
                                                  "Alternative",
                                                  "Ska",
                                                  "Death Metal",
                                                  "Pranks",
                                                  "Soundtrack",
                                                  "Euro-Techno",
                                                  "Ambient",
                                                  "Trip-Hop",
                                                  "Vocal",
                                                  "Jazz+Funk",
                                                  "Fusion",
                                                  "Trance",
                                                  "Classical",
                                                  "Instrumental",
                                                  "Acid",
                                                  "House",
                                                  "Game",
                                                  "Sound Clip",
                                                  "Gospel",
                                                  "Noise",
                                                  "AlternRock",
                                                  "Bass",
                                                  "Soul",
                                                  "Punk",
                                                  "Space",
                                                  "Meditative",
                                                  "Instrumental Pop",
                                                  "Instrumental Rock",
                                                  "Ethnic",
                                                  "Gothic",
                                                  "Darkwave",
                                                  "Techno-Industrial",
                                                  "Electronic",
                                                  "Pop-Folk",
                                                  "Eurodance",
                                                  "Dream",
                                                  "Southern Rock",
                                                  "Comedy",
                                                  "Cult",
                                                  "Gangsta",
                                                  "Top 40",
                                                  "Christian Rap",
                                                  "Pop/Funk",
                                                  "Jungle",
                                                  "Native American",
                                                  "Cabaret",
                                                  "New Wave",
                                                  "Psychadelic",
                                                  "Rave",
                                                  "Showtunes",
                                                  "Trailer",
                                                  "Lo-Fi",
                                                  "Tribal",
                                                  "Acid Punk",
                                                  "Acid Jazz",
                                                  "Polka",
                                                  "Retro",
                                                  "Musical",
                                                  "Rock & Roll",
                                                  "Hard Rock",
                                                  "Folk",
                                                  "Folk-Rock",
                                                  "National Folk",
                                                  "Swing",
                                                  "Fast Fusion",
                                                  "Bebob",
                                                  "Latin",
                                                  "Revival",
                                                  "Celtic",
                                                  "Bluegrass",
                                                  "Avantgarde",
                                                  "Gothic Rock",
                                                  "Progessive Rock",
                                                  "Psychedelic Rock",
                                                  "Symphonic Rock",
                                                  "Slow Rock",
                                                  "Big Band",
                                                  "Chorus",
                                                  "Easy Listening",
                                                  "Acoustic",
                                                  "Humour",
                                                  "Speech",
                                                  "Chanson",
                                                  "Opera",
                                                  "Chamber Music",
                                                  "Sonata",
                                                  "Symphony",
                                                  "Booty Bass",
                                                  "Primus",
                                                  "Porn Groove",
                                                  "Satire",
                                                  "Slow Jam",
                                                  "Club",
                                                  "Tango",
                                                  "Samba",
                                                  "Folklore",
                                                  "Ballad",
                                                  "Power Ballad",
                                                  "Rhythmic Soul",
                                                  "Freestyle",
                                                  "Duet",
                                                  "Punk Rock",
                                                  "Drum Solo",
                                                  "A capella",
                                                  "Euro-House",
                                                  "Dance Hall",
                                                  "Goa",
                                                  "Drum & Bass",
                                                  "Club-House",
                                                  "Hardcore",
                                                  "Terror",
                                                  "Indie",
                                                  "BritPop",
                                                  "Negerpunk",
                                                  "Polsk Punk",
                                                  "Beat",
                                                  "Christian Gangsta Rap",
                                                  "Heavy Metal",
                                                  "Black Metal",
                                                  "Crossover",
                                                  "Contemporary Christian",
                                                  "Christian Rock",
                                                  "Merengue",
                                                  "Salsa",
                                                  "Trash Metal",
                                                  "Anime",
                                                  "JPop",
                                                  "Synthpop"};

namespace {

// A fixed-width tag field: trailing blanks and zero bytes removed, Latin-1 taken to UTF-8.
std::string TagField(const uint8_t* Bytes, size_t Length) {
    return Latin1ToUtf8(TrimRightControls(std::string_view(reinterpret_cast<const char*>(Bytes), Length)));
}

} // namespace

bool TID3v1::LoadFile(const std::string& FileName) {
    Clear();
    uint8_t Tag[128];
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        if (Stream.Seek(Stream.Size() - 128) < 0 || Stream.Read(Tag, 128) != 128) return false;
    } catch (const EFileError&) {
        return false;
    }
    if (std::memcmp(Tag, "TAG", 3) != 0) return true;
    FExists = true;
    bool Version11 = (Tag[125] == 0 && Tag[126] != 0) || (Tag[125] == ' ' && Tag[126] != ' ');
    FVersionId = Version11 ? 2 : 1;
    FTitle = TagField(Tag + 3, 30);
    FArtist = TagField(Tag + 33, 30);
    FAlbum = TagField(Tag + 63, 30);
    FYear = TagField(Tag + 93, 4);
    FComment = TagField(Tag + 97, Version11 ? 28 : 30);
    if (Version11) FTrack = Tag[126];
    FGenreId = Tag[127];
    return true;
}

std::string TID3v1::GenreText() const {
    return FGenreId < ID3v1GenreCount ? ID3v1Genres[FGenreId] : "";
}

} // namespace deraz
