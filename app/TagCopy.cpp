#include "app/TagCopy.h"

#include <stdexcept>

#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include "app/FileNames.h"

namespace deraz {

namespace {

using TagLib::ByteVector;
using TagLib::PropertyMap;
using TagLib::String;
using TagLib::StringList;

constexpr const char* PlainFields[] = {"TITLE", "ARTIST", "ALBUM",   "ALBUMARTIST",
                                       "DATE",  "GENRE",  "COMMENT", "COMPOSER"};
// Number fields and where their totals go when they are kept apart.
constexpr std::pair<const char*, const char*> NumberFields[] = {{"TRACKNUMBER", "TRACKTOTAL"},
                                                                {"DISCNUMBER", "DISCTOTAL"}};
// Other names some taggers give the totals.
constexpr std::pair<const char*, const char*> TotalAliases[] = {{"TOTALTRACKS", "TRACKTOTAL"},
                                                                {"TOTALDISCS", "DISCTOTAL"}};
// LIST/INFO chunk ids of the fields a WAV file can hold.
constexpr std::pair<const char*, const char*> InfoFields[] = {
    {"INAM", "TITLE"}, {"IART", "ARTIST"},  {"IPRD", "ALBUM"},       {"ICRD", "DATE"},
    {"IGNR", "GENRE"}, {"ICMT", "COMMENT"}, {"IPRT", "TRACKNUMBER"}, {"ITRK", "TRACKNUMBER"}};
// The APEv2 item of the front cover: a file name, a zero byte, then the image.
constexpr const char* APECoverKey = "COVER ART (FRONT)";

std::string Utf8(const String& Text) {
    return Text.to8Bit(true);
}
String Text(const std::string& Utf8Text) {
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

void UseUtf8InfoStrings() {
    static const TUtf8InfoStrings Handler;
    static const bool Installed = (TagLib::RIFF::Info::Tag::setStringHandler(&Handler), true);
    (void)Installed;
}

void AddValues(TTagSet& Tags, const std::string& Name, const StringList& Values) {
    for (const auto& Value : Values) {
        std::string Item = Utf8(Value);
        if (!Item.empty()) Tags.Fields[Name].push_back(Item);
    }
}

// Takes the travelling fields from a property map, splitting "3/12" into number and total.
TTagSet FromProperties(const PropertyMap& Properties) {
    TTagSet Tags;
    for (const char* Name : PlainFields)
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

std::optional<TCoverPicture> ID3v2Cover(TagLib::ID3v2::Tag* Tag) {
    if (!Tag) return std::nullopt;
    TagLib::ID3v2::AttachedPictureFrame* Chosen = nullptr;
    for (auto* Frame : Tag->frameListMap()["APIC"]) {
        auto* Picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(Frame);
        if (!Picture || Picture->picture().isEmpty()) continue;
        if (!Chosen || Picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) Chosen = Picture;
        if (Picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) break;
    }
    if (!Chosen) return std::nullopt;
    const ByteVector& Data = Chosen->picture();
    std::string Mime = Utf8(Chosen->mimeType());
    return TCoverPicture{Mime.empty() ? SniffMimeType(Data) : Mime, Utf8(Chosen->description()),
                         std::string(Data.data(), Data.size())};
}

std::optional<TCoverPicture> FlacCover(const TagLib::List<TagLib::FLAC::Picture*>& Pictures) {
    TagLib::FLAC::Picture* Chosen = nullptr;
    for (auto* Picture : Pictures) {
        if (Picture->data().isEmpty()) continue;
        if (!Chosen || Picture->type() == TagLib::FLAC::Picture::FrontCover) Chosen = Picture;
        if (Picture->type() == TagLib::FLAC::Picture::FrontCover) break;
    }
    if (!Chosen) return std::nullopt;
    const ByteVector& Data = Chosen->data();
    std::string Mime = Utf8(Chosen->mimeType());
    return TCoverPicture{Mime.empty() ? SniffMimeType(Data) : Mime, Utf8(Chosen->description()),
                         std::string(Data.data(), Data.size())};
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

TTagSet ReadWavTags(TagLib::RIFF::WAV::File& File) {
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

PropertyMap ToProperties(const TTagSet& Tags, bool JoinTotals) {
    PropertyMap Properties;
    for (const auto& [Name, Values] : Tags.Fields) {
        StringList List;
        for (const auto& Value : Values) List.append(Text(Value));
        Properties.insert(Name, List);
    }
    if (!JoinTotals) return Properties;
    for (auto [Number, Total] : NumberFields) {
        if (!Properties.contains(Total)) continue;
        if (Properties.contains(Number))
            Properties.replace(Number,
                               StringList(Properties[Number].front() + "/" + Properties[Total].front()));
        Properties.erase(Total);
    }
    return Properties;
}

TagLib::FLAC::Picture* NewFlacPicture(const TCoverPicture& Cover) {
    auto* Picture = new TagLib::FLAC::Picture;
    Picture->setType(TagLib::FLAC::Picture::FrontCover);
    Picture->setMimeType(Text(Cover.MimeType));
    Picture->setDescription(Text(Cover.Description));
    Picture->setData(ByteVector(Cover.Data.data(), unsigned(Cover.Data.size())));
    return Picture;
}

void SetXiphComment(TagLib::Ogg::XiphComment& Comment, const TTagSet& Tags) {
    for (const auto& [Name, Values] : Tags.Fields) {
        Comment.removeFields(Name);
        for (const auto& Value : Values) Comment.addField(Name, Text(Value), false);
    }
}

bool WriteMP3Tags(TagLib::MPEG::File& File, const TTagSet& Tags) {
    auto* Tag = File.ID3v2Tag(true);
    Tag->setProperties(ToProperties(Tags, true));
    if (Tags.Cover) {
        auto* Frame = new TagLib::ID3v2::AttachedPictureFrame;
        Frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        Frame->setMimeType(Text(Tags.Cover->MimeType));
        Frame->setDescription(Text(Tags.Cover->Description));
        Frame->setTextEncoding(String::UTF8);
        Frame->setPicture(ByteVector(Tags.Cover->Data.data(), unsigned(Tags.Cover->Data.size())));
        Tag->addFrame(Frame);
    }
    // Only the tag at the front changes; the audio, its LAME/Info frame included, stays as it is.
    return File.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

bool WriteVorbisTags(TagLib::Ogg::Vorbis::File& File, const TTagSet& Tags) {
    SetXiphComment(*File.tag(), Tags);
    if (Tags.Cover) File.tag()->addPicture(NewFlacPicture(*Tags.Cover));
    return File.save();
}

bool WriteFlacTags(TagLib::FLAC::File& File, const TTagSet& Tags) {
    SetXiphComment(*File.xiphComment(true), Tags);
    if (Tags.Cover) File.addPicture(NewFlacPicture(*Tags.Cover));
    return File.save();
}

bool WriteAPETags(TagLib::APE::File& File, const TTagSet& Tags) {
    auto* Tag = File.APETag(true);
    Tag->setProperties(ToProperties(Tags, true));
    if (Tags.Cover) {
        std::string Name = Tags.Cover->MimeType == "image/png" ? "cover.png" : "cover.jpg";
        ByteVector Value(Name.c_str(), unsigned(Name.size() + 1));
        Value.append(ByteVector(Tags.Cover->Data.data(), unsigned(Tags.Cover->Data.size())));
        Tag->setItem("Cover Art (Front)", TagLib::APE::Item("Cover Art (Front)", Value, true));
    }
    return File.save();
}

bool WriteWavTags(TagLib::RIFF::WAV::File& File, const TTagSet& Tags) {
    auto* Info = File.InfoTag();
    PropertyMap Properties = ToProperties(Tags, true);
    for (auto [InfoId, Name] : InfoFields) {
        if (std::string(InfoId) == "ITRK" || !Properties.contains(Name)) continue;
        Info->setFieldText(InfoId, Properties[Name].toString("; "));
    }
    return File.save(TagLib::RIFF::WAV::File::Info, TagLib::File::StripNone);
}

} // namespace

TTagSet ReadTags(const std::string& InputName) {
    UseUtf8InfoStrings();
    std::string Ext = LowerCase(ExtractFileExt(InputName));
    const char* Name = InputName.c_str();
    if (Ext == ".mp3") {
        TagLib::MPEG::File File(Name, false);
        if (!File.isValid()) return {};
        TTagSet Tags = FromProperties(File.properties());
        Tags.Cover = ID3v2Cover(File.hasID3v2Tag() ? File.ID3v2Tag() : nullptr);
        return Tags;
    }
    if (Ext == ".ogg") {
        TagLib::Ogg::Vorbis::File File(Name, false);
        if (!File.isValid() || !File.tag()) return {};
        TTagSet Tags = FromProperties(File.tag()->properties());
        Tags.Cover = FlacCover(File.tag()->pictureList());
        return Tags;
    }
    if (Ext == ".fla" || Ext == ".flac") {
        TagLib::FLAC::File File(Name, false);
        if (!File.isValid()) return {};
        TTagSet Tags = FromProperties(File.properties());
        Tags.Cover = FlacCover(File.pictureList());
        return Tags;
    }
    if (Ext == ".ape") {
        TagLib::APE::File File(Name, false);
        if (!File.isValid()) return {};
        TTagSet Tags = FromProperties(File.properties());
        Tags.Cover = APECover(File.hasAPETag() ? File.APETag() : nullptr);
        return Tags;
    }
    if (Ext == ".wav") {
        TagLib::RIFF::WAV::File File(Name, false);
        return File.isValid() ? ReadWavTags(File) : TTagSet{};
    }
    return {};
}

void WriteTags(const std::string& FileName, const std::string& OutputExt, const TTagSet& Tags) {
    UseUtf8InfoStrings();
    std::string Ext = LowerCase(OutputExt);
    const char* Name = FileName.c_str();
    auto Write = [&](auto& File, auto WriteInto) {
        if (!File.isValid() || File.readOnly())
            throw std::runtime_error("Cannot write the tags of " + FileName + ": the file cannot be opened.");
        if (!WriteInto(File, Tags))
            throw std::runtime_error("Cannot write the tags of " + FileName + ": saving them failed.");
    };
    if (Ext == ".mp3") {
        TagLib::MPEG::File File(Name, false);
        Write(File, WriteMP3Tags);
    } else if (Ext == ".ogg") {
        TagLib::Ogg::Vorbis::File File(Name, false);
        Write(File, WriteVorbisTags);
    } else if (Ext == ".fla" || Ext == ".flac") {
        TagLib::FLAC::File File(Name, false);
        Write(File, WriteFlacTags);
    } else if (Ext == ".ape") {
        TagLib::APE::File File(Name, false);
        Write(File, WriteAPETags);
    } else if (Ext == ".wav") {
        TagLib::RIFF::WAV::File File(Name, false);
        Write(File, WriteWavTags);
    } else {
        throw std::runtime_error("Cannot write the tags of " + FileName + ": no tag form for " + OutputExt +
                                 ".");
    }
}

void CopyTags(const std::string& InputName, const std::string& OutputName, const std::string& OutputExt) {
    TTagSet Tags = ReadTags(InputName);
    if (!Tags.Empty()) WriteTags(OutputName, OutputExt, Tags);
}

} // namespace deraz
