#include "driver/TagCopy.h"

#include <memory>
#include <stdexcept>

#include "analysis/TagForms.h"
#include "codecs/TagStream.h"

namespace deraz {

namespace {

using namespace tagforms;

// The fields as a property map, each number joined with its total ("3/12") as ID3v2, APEv2 and
// LIST/INFO keep them.
PropertyMap ToProperties(const TTagSet& Tags) {
    PropertyMap Properties;
    for (const auto& [Name, Values] : Tags.Fields) {
        StringList List;
        for (const auto& Value : Values) List.append(Text(Value));
        Properties.insert(Name, List);
    }
    for (auto [Number, Total] : NumberFields) {
        if (!Properties.contains(Total)) continue;
        if (Properties.contains(Number))
            Properties.replace(Number,
                               StringList(Properties[Number].front() + "/" + Properties[Total].front()));
        Properties.erase(Total);
    }
    return Properties;
}

// TagLib takes ownership of the pictures and frames it is handed.
std::unique_ptr<TagLib::FLAC::Picture> NewFlacPicture(const TCoverPicture& Cover) {
    auto Picture = std::make_unique<TagLib::FLAC::Picture>();
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

void SetID3v2(TagLib::ID3v2::Tag* Tag, const TTagSet& Tags) {
    Tag->setProperties(ToProperties(Tags));
    if (Tags.Cover) {
        auto Frame = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
        Frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        Frame->setMimeType(Text(Tags.Cover->MimeType));
        Frame->setDescription(Text(Tags.Cover->Description));
        Frame->setTextEncoding(String::UTF8);
        Frame->setPicture(ByteVector(Tags.Cover->Data.data(), unsigned(Tags.Cover->Data.size())));
        Tag->addFrame(Frame.release());
    }
}

bool WriteInto(TagLib::MPEG::File& File, const TTagSet& Tags) {
    SetID3v2(File.ID3v2Tag(true), Tags);
    // Only the tag at the front changes; the audio, its LAME/Info frame included, stays as it is.
    return File.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

// Ogg Vorbis and Ogg Opus: comments with the picture as a METADATA_BLOCK_PICTURE comment.
template <class TOggFile> bool WriteOggComments(TOggFile& File, const TTagSet& Tags) {
    SetXiphComment(*File.tag(), Tags);
    if (Tags.Cover) File.tag()->addPicture(NewFlacPicture(*Tags.Cover).release());
    return File.save();
}

bool WriteInto(TagLib::Ogg::Vorbis::File& File, const TTagSet& Tags) {
    return WriteOggComments(File, Tags);
}

bool WriteInto(TagLib::Ogg::Opus::File& File, const TTagSet& Tags) {
    return WriteOggComments(File, Tags);
}

bool WriteInto(TagLib::FLAC::File& File, const TTagSet& Tags) {
    SetXiphComment(*File.xiphComment(true), Tags);
    if (Tags.Cover) File.addPicture(NewFlacPicture(*Tags.Cover).release());
    return File.save();
}

// Monkey's Audio and WavPack: an APEv2 tag at the end.
template <class TFile> bool WriteApeTag(TFile& File, const TTagSet& Tags) {
    auto* Tag = File.APETag(true);
    Tag->setProperties(ToProperties(Tags));
    if (Tags.Cover) {
        std::string Name = Tags.Cover->MimeType == "image/png" ? "cover.png" : "cover.jpg";
        ByteVector Value(Name.c_str(), unsigned(Name.size() + 1));
        Value.append(ByteVector(Tags.Cover->Data.data(), unsigned(Tags.Cover->Data.size())));
        Tag->setItem("Cover Art (Front)", TagLib::APE::Item("Cover Art (Front)", Value, true));
    }
    return File.save();
}

bool WriteInto(TagLib::APE::File& File, const TTagSet& Tags) {
    return WriteApeTag(File, Tags);
}

bool WriteInto(TagLib::WavPack::File& File, const TTagSet& Tags) {
    return WriteApeTag(File, Tags);
}

bool WriteInto(TagLib::RIFF::AIFF::File& File, const TTagSet& Tags) {
    SetID3v2(File.tag(), Tags);
    return File.save();
}

bool WriteInto(TagLib::RIFF::WAV::File& File, const TTagSet& Tags) {
    auto* Info = File.InfoTag();
    PropertyMap Properties = ToProperties(Tags);
    for (auto [InfoId, Name] : InfoFields) {
        if (std::string(InfoId) == "ITRK" || !Properties.contains(Name)) continue;
        Info->setFieldText(InfoId, Properties[Name].toString("; "));
    }
    return File.save(TagLib::RIFF::WAV::File::Info, TagLib::File::StripNone);
}

// Empties File's tags of every field and picture, whatever its tag form.
template <class TFile> void ClearTags(TFile& File) {
    File.setProperties(PropertyMap());
    if constexpr (requires { File.removePictures(); }) File.removePictures();
    if constexpr (requires { File.tag()->removeAllPictures(); }) File.tag()->removeAllPictures();
    if constexpr (requires { File.ID3v2Tag(); })
        if (auto* Tag = File.ID3v2Tag()) Tag->removeFrames("APIC");
}

bool WriteInto(TagLib::MP4::File& File, const TTagSet& Tags) {
    auto* Tag = File.tag();
    if (!Tag) return false;
    // setProperties drops the freeform atoms it is not given, the gapless comment among them.
    const bool Gapless = Tag->contains(GaplessAtom);
    const TagLib::MP4::Item GaplessItem = Gapless ? Tag->item(GaplessAtom) : TagLib::MP4::Item();
    Tag->setProperties(ToProperties(Tags));
    if (Gapless) Tag->setItem(GaplessAtom, GaplessItem);
    if (Tags.Cover) {
        const ByteVector Data(Tags.Cover->Data.data(), unsigned(Tags.Cover->Data.size()));
        const auto Format =
            Tags.Cover->MimeType == "image/png" ? TagLib::MP4::CoverArt::PNG : TagLib::MP4::CoverArt::JPEG;
        Tag->setItem("covr", TagLib::MP4::CoverArtList().append(TagLib::MP4::CoverArt(Format, Data)));
    }
    return File.save();
}

} // namespace

void RequireTagCopy() {}

bool TagCopyAvailable() {
    return true;
}

void WriteTags(const std::string& FileName, const std::string& OutputExt, const TTagSet& Tags,
               TTagWrite Mode) {
    UseUtf8InfoStrings();
    // Only a file TagLib reads as audio of that type is written to: TagLib would add a tag to
    // anything else.
    const TFormat* Format = FormatOfOutput(FindOutputFormat(OutputExt));
    if (!Format)
        throw std::runtime_error("Cannot write the tags of " + FileName + ": no tag form for " + OutputExt +
                                 ".");
    TTagStream Stream(FileName, true);
    WithTagFile(Format->TagForm, &Stream, true, [&](auto& File) {
        if (!File.isValid() || File.readOnly() || !File.audioProperties() ||
            File.audioProperties()->sampleRate() <= 0)
            throw std::runtime_error("Cannot write the tags of " + FileName + ": the file cannot be opened.");
        if (Mode == TTagWrite::Replace) ClearTags(File);
        if (!WriteInto(File, Tags))
            throw std::runtime_error("Cannot write the tags of " + FileName + ": saving them failed.");
    });
    Stream.Finish();
}

void CopyTags(const std::string& InputName, const std::string& OutputName, const std::string& OutputExt) {
    TTagSet Tags = ReadTags(InputName);
    if (!Tags.Empty()) WriteTags(OutputName, OutputExt, Tags);
}

} // namespace deraz
