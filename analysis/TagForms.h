// What the tag reader and the tag writer share: the fields that travel, their names in each tag
// form, and TagLib's file classes chosen by the format table's tag form. Included only by their sources.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include "codecs/FormatTable.h"

namespace deraz::tagforms {

using TagLib::ByteVector;
using TagLib::PropertyMap;
using TagLib::String;
using TagLib::StringList;

inline constexpr const char* PlainFields[] = {"TITLE", "ARTIST",  "ALBUM",    "ALBUMARTIST", "DATE",
                                              "GENRE", "COMMENT", "COMPOSER", "COMPILATION"};
// Number fields and where their totals go when they are kept apart.
inline constexpr std::pair<const char*, const char*> NumberFields[] = {{"TRACKNUMBER", "TRACKTOTAL"},
                                                                       {"DISCNUMBER", "DISCTOTAL"}};
// Other names some taggers give the totals.
inline constexpr std::pair<const char*, const char*> TotalAliases[] = {{"TOTALTRACKS", "TRACKTOTAL"},
                                                                       {"TOTALDISCS", "DISCTOTAL"}};
// LIST/INFO chunk ids of the fields a WAV file can hold.
inline constexpr std::pair<const char*, const char*> InfoFields[] = {
    {"INAM", "TITLE"}, {"IART", "ARTIST"},  {"IPRD", "ALBUM"},       {"ICRD", "DATE"},
    {"IGNR", "GENRE"}, {"ICMT", "COMMENT"}, {"IPRT", "TRACKNUMBER"}, {"ITRK", "TRACKNUMBER"}};
// The APEv2 item of the front cover: a file name, a zero byte, then the image.
inline constexpr const char* APECoverKey = "COVER ART (FRONT)";

// The freeform MP4 atom of gapless playback, which a tag rewrite keeps.
inline constexpr const char* GaplessAtom = "----:com.apple.iTunes:iTunSMPB";

inline std::string Utf8(const String& Text) {
    return Text.to8Bit(true);
}
inline String Text(const std::string& Utf8Text) {
    return String(Utf8Text, String::UTF8);
}

// LIST/INFO text as UTF-8, which is what other programs write and read there.
class TUtf8InfoStrings : public TagLib::RIFF::Info::StringHandler {
public:
    String parse(const ByteVector& Data) const override {
        return String(Data, String::UTF8).stripWhiteSpace();
    }
    ByteVector render(const String& Value) const override { return Value.data(String::UTF8); }
};

inline void UseUtf8InfoStrings() {
    static const TUtf8InfoStrings Handler;
    static const bool Installed = (TagLib::RIFF::Info::Tag::setStringHandler(&Handler), true);
    (void)Installed;
}

// TagLib's file class TFile over Stream, with its audio properties when asked for.
template <class TFile> std::unique_ptr<TFile> OpenTagFile(TagLib::IOStream* Stream, bool ReadProperties) {
    if constexpr (std::is_constructible_v<TFile, TagLib::IOStream*, TagLib::ID3v2::FrameFactory*, bool>)
        return std::make_unique<TFile>(Stream, TagLib::ID3v2::FrameFactory::instance(), ReadProperties);
    else
        return std::make_unique<TFile>(Stream, ReadProperties);
}

// Opens Stream as the TagLib file class of tag form Form, with its audio properties when asked
// for, and hands it to Action.
template <typename TAction>
void WithTagFile(TTagForm Form, TagLib::IOStream* Stream, bool ReadProperties, TAction&& Action) {
    switch (Form) {
    case tfID3v2:
        return Action(*OpenTagFile<TagLib::MPEG::File>(Stream, ReadProperties));
    case tfOggComments:
        return Action(*OpenTagFile<TagLib::Ogg::Vorbis::File>(Stream, ReadProperties));
    case tfFLACComments:
        return Action(*OpenTagFile<TagLib::FLAC::File>(Stream, ReadProperties));
    case tfAPEv2:
        return Action(*OpenTagFile<TagLib::APE::File>(Stream, ReadProperties));
    case tfRIFFInfo:
        return Action(*OpenTagFile<TagLib::RIFF::WAV::File>(Stream, ReadProperties));
    case tfOpusComments:
        return Action(*OpenTagFile<TagLib::Ogg::Opus::File>(Stream, ReadProperties));
    case tfMP4Atoms:
        return Action(*OpenTagFile<TagLib::MP4::File>(Stream, ReadProperties));
    case tfWavPackAPEv2:
        return Action(*OpenTagFile<TagLib::WavPack::File>(Stream, ReadProperties));
    case tfAIFFID3:
        return Action(*OpenTagFile<TagLib::RIFF::AIFF::File>(Stream, ReadProperties));
    case tfProbed:
        return; // read apart (ReadTags), never written
    }
}

} // namespace deraz::tagforms
