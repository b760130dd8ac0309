#include "analysis/TagReader.h"

#include "analysis/MediaInfo.h"
#include "analysis/TagForms.h"
#include "codecs/TagStream.h"
#ifdef DERAZ_HAVE_FFMPEG
#include "codecs/ffmpeg/FFmpegProbe.h"
#endif

#include <taglib/fileref.h>

namespace deraz {

namespace {

using namespace tagforms;

void AddValues(TTagSet& Tags, const std::string& Name, const StringList& Values) {
    for (const auto& Value : Values) {
        std::string Item = Utf8(Value);
        if (!Item.empty()) Tags.Fields[Name].push_back(Item);
    }
}

// ReplayGain values travel as they are, for outputs whose own values are not measured.
constexpr const char* GainFields[] = {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK",
                                      "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK"};

// Takes the travelling fields from a property map, splitting "3/12" into number and total.
TTagSet FromProperties(const PropertyMap& Properties) {
    TTagSet Tags;
    for (const char* Name : PlainFields)
        if (Properties.contains(Name)) AddValues(Tags, Name, Properties[Name]);
    for (const char* Name : GainFields)
        if (Properties.contains(Name)) AddValues(Tags, Name, Properties[Name]);
    for (auto [Number, Total] : NumberFields)
        if (Properties.contains(Total)) AddValues(Tags, Total, Properties[Total]);
    for (auto [Alias, Total] : TotalAliases)
        if (Properties.contains(Alias) && !Tags.Fields.contains(Total))
            AddValues(Tags, Total, Properties[Alias]);
    for (auto [Number, Total] : NumberFields) {
        if (!Properties.contains(Number) || Properties[Number].isEmpty()) continue;
        std::string Value = Utf8(Properties[Number].front());
        size_t Slash = Value.find('/');
        if (Slash != std::string::npos) {
            if (Slash + 1 < Value.size() && !Tags.Fields.contains(Total))
                Tags.Fields[Total] = {Value.substr(Slash + 1)};
            Value.resize(Slash);
        }
        if (!Value.empty()) Tags.Fields[Number] = {Value};
    }
    for (auto [Number, Total] : NumberFields)
        if (Tags.Fields.contains(Total) && !Tags.Fields.contains(Number)) Tags.Fields.erase(Total);
    return Tags;
}

// The image type by its first bytes, for covers stored without one.
std::string SniffMimeType(const ByteVector& Data) {
    if (Data.startsWith(ByteVector("\x89PNG", 4))) return "image/png";
    if (Data.startsWith(ByteVector("GIF8", 4))) return "image/gif";
    return "image/jpeg";
}

// One picture as the tag forms describe it, whatever class holds it.
struct TPictureView {
    bool Front;
    ByteVector Data; // shared with the tag, not copied
    String MimeType, Description;
};

// The front cover among Pictures, else the first one with data.
std::optional<TCoverPicture> ChooseCover(const std::vector<TPictureView>& Pictures) {
    const TPictureView* Chosen = nullptr;
    for (const auto& Picture : Pictures) {
        if (Picture.Data.isEmpty()) continue;
        if (!Chosen || (Picture.Front && !Chosen->Front)) Chosen = &Picture;
    }
    if (!Chosen) return std::nullopt;
    const ByteVector& Data = Chosen->Data;
    std::string Mime = Utf8(Chosen->MimeType);
    return TCoverPicture{Mime.empty() ? SniffMimeType(Data) : Mime, Utf8(Chosen->Description),
                         std::string(Data.data(), Data.size())};
}

std::optional<TCoverPicture> ID3v2Cover(TagLib::ID3v2::Tag* Tag) {
    if (!Tag) return std::nullopt;
    std::vector<TPictureView> Pictures;
    for (auto* Frame : Tag->frameListMap()["APIC"])
        if (auto* Picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(Frame))
            Pictures.push_back({Picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover,
                                Picture->picture(), Picture->mimeType(), Picture->description()});
    return ChooseCover(Pictures);
}

std::optional<TCoverPicture> FlacCover(const TagLib::List<TagLib::FLAC::Picture*>& Pictures) {
    std::vector<TPictureView> Views;
    for (auto* Picture : Pictures)
        Views.push_back({Picture->type() == TagLib::FLAC::Picture::FrontCover, Picture->data(),
                         Picture->mimeType(), Picture->description()});
    return ChooseCover(Views);
}

std::optional<TCoverPicture> APECover(TagLib::APE::Tag* Tag) {
    if (!Tag) return std::nullopt;
    const auto& Items = Tag->itemListMap();
    auto Found = Items.find(APECoverKey);
    if (Found == Items.end() || Found->second.type() != TagLib::APE::Item::Binary) return std::nullopt;
    ByteVector Value = Found->second.binaryData();
    int NameEnd = Value.find(ByteVector(1, '\0'));
    if (NameEnd < 0 || unsigned(NameEnd) + 1 >= Value.size()) return std::nullopt;
    ByteVector Data = Value.mid(unsigned(NameEnd) + 1);
    return TCoverPicture{SniffMimeType(Data), {}, std::string(Data.data(), Data.size())};
}

TTagSet ReadFrom(TagLib::MPEG::File& File) {
    TTagSet Tags = FromProperties(File.properties());
    Tags.Cover = ID3v2Cover(File.hasID3v2Tag() ? File.ID3v2Tag() : nullptr);
    return Tags;
}

// Ogg Vorbis and Ogg Opus keep the same comments, pictures included.
TTagSet ReadXiphComment(TagLib::Ogg::XiphComment* Comment) {
    if (!Comment) return {};
    TTagSet Tags = FromProperties(Comment->properties());
    Tags.Cover = FlacCover(Comment->pictureList());
    return Tags;
}

TTagSet ReadFrom(TagLib::Ogg::Vorbis::File& File) {
    return ReadXiphComment(File.tag());
}

TTagSet ReadFrom(TagLib::Ogg::Opus::File& File) {
    return ReadXiphComment(File.tag());
}

TTagSet ReadFrom(TagLib::FLAC::File& File) {
    TTagSet Tags = FromProperties(File.properties());
    Tags.Cover = FlacCover(File.pictureList());
    return Tags;
}

// Monkey's Audio and WavPack: an APEv2 tag (or ID3v1) at the end.
template <class TFile> TTagSet ReadApeTagged(TFile& File) {
    TTagSet Tags = FromProperties(File.properties());
    Tags.Cover = APECover(File.hasAPETag() ? File.APETag() : nullptr);
    return Tags;
}

TTagSet ReadFrom(TagLib::MP4::File& File) {
    if (!File.tag()) return {};
    TTagSet Tags = FromProperties(File.properties());
    std::vector<TPictureView> Pictures;
    if (File.tag()->contains("covr"))
        for (const auto& Art : File.tag()->item("covr").toCoverArtList())
            Pictures.push_back(
                {true, Art.data(), Art.format() == TagLib::MP4::CoverArt::PNG ? "image/png" : "", {}});
    Tags.Cover = ChooseCover(Pictures);
    return Tags;
}

TTagSet ReadFrom(TagLib::APE::File& File) {
    return ReadApeTagged(File);
}

TTagSet ReadFrom(TagLib::WavPack::File& File) {
    return ReadApeTagged(File);
}

TTagSet ReadFrom(TagLib::RIFF::AIFF::File& File) {
    if (!File.hasID3v2Tag()) return {};
    TTagSet Tags = FromProperties(File.tag()->properties());
    Tags.Cover = ID3v2Cover(File.tag());
    return Tags;
}

TTagSet ReadFrom(TagLib::RIFF::WAV::File& File) {
    TTagSet Tags;
    if (File.hasID3v2Tag()) {
        Tags = FromProperties(File.ID3v2Tag()->properties());
        Tags.Cover = ID3v2Cover(File.ID3v2Tag());
    }
    if (File.hasInfoTag()) {
        PropertyMap Info;
        for (const auto& [Id, Value] : File.InfoTag()->fieldListMap()) {
            for (auto [InfoId, Name] : InfoFields)
                if (Id == ByteVector(InfoId) && !Info.contains(Name)) Info.insert(Name, StringList(Value));
        }
        // The ID3v2 chunk, the richer of the two, wins where both hold a field.
        for (auto& [Name, Values] : FromProperties(Info).Fields) Tags.Fields.try_emplace(Name, Values);
    }
    return Tags;
}

// The metadata FFmpeg's demuxers read, under the names of TagLib's property maps.
PropertyMap ProbedProperties(const std::string& InputName) {
    PropertyMap Properties;
#ifdef DERAZ_HAVE_FFMPEG
    constexpr std::pair<const char*, const char*> Renamed[] = {
        {"ALBUM_ARTIST", "ALBUMARTIST"}, {"TRACK", "TRACKNUMBER"}, {"DISC", "DISCNUMBER"}};
    for (auto [Key, Value] : ProbeMedia(InputName).Tags) {
        String Name = Text(Key).upper();
        for (auto [From, To] : Renamed)
            if (Name == From) Name = To;
        if (!Properties.contains(Name)) Properties.insert(Name, StringList(Text(Value)));
    }
#else
    (void)InputName;
#endif
    return Properties;
}

// Formats read through FFmpeg: the fields TagLib finds (WMA, Musepack, TTA, MP4 video), with
// the ones only FFmpeg's demuxers read (TagLib keeps a WMA's comment apart; Matroska, CAF).
TTagSet ReadProbed(const std::string& InputName) {
    TTagStream Stream(InputName, false);
    TagLib::FileRef File(&Stream, false);
    TTagSet Tags;
    if (!File.isNull() && File.file()->isValid()) Tags = FromProperties(File.file()->properties());
    for (auto& [Name, Values] : FromProperties(ProbedProperties(InputName)).Fields)
        Tags.Fields.try_emplace(Name, Values);
    return Tags;
}

} // namespace

TTagSet ReadTags(const std::string& InputName) {
    UseUtf8InfoStrings();
    TTagSet Tags;
    const TFormat* Format = FindInputFormat(FileExtension(InputName));
    if (Format && Format->TagForm == tfProbed) return ReadProbed(InputName);
    if (Format) {
        TTagStream Stream(InputName, false);
        WithTagFile(Format->TagForm, &Stream, false, [&](auto& File) {
            if (File.isValid()) Tags = ReadFrom(File);
        });
    }
    return Tags;
}

} // namespace deraz
