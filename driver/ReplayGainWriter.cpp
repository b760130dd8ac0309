#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include <taglib/textidentificationframe.h>

#include "analysis/TagForms.h"
#include "codecs/TagStream.h"
#include "driver/FileNames.h"
#include "driver/OutputFiles.h"
#include "driver/ReplayGainTags.h"
#include "platform/Paths.h"

namespace deraz {

namespace {

using namespace tagforms;

void SetFields(TagLib::Ogg::XiphComment& Comment, const TGainFields& Fields) {
    for (const auto& [Name, Value] : Fields) {
        Comment.removeFields(Name);
        if (!Value.empty()) Comment.addField(Name, Text(Value), false);
    }
}

// Opus players read the gains as R128_TRACK_GAIN and R128_ALBUM_GAIN: a whole number of 1/256 dB
// towards -23 LUFS (ReplayGain's reference, -18 LUFS, lies 5 dB above it), with no peak.
TGainFields R128Fields(const TGainFields& Fields) {
    TGainFields Result;
    for (const char* Pair : {"TRACK", "ALBUM"}) {
        auto Found = Fields.find(std::string("REPLAYGAIN_") + Pair + "_GAIN");
        if (Found == Fields.end()) continue;
        std::string& Value = Result[std::string("R128_") + Pair + "_GAIN"];
        if (!Found->second.empty())
            Value = std::to_string(std::lround((std::stod(Found->second) - 5.0) * 256.0));
    }
    return Result;
}

void SetFrames(TagLib::ID3v2::Tag& Tag, const TGainFields& Fields) {
    for (const auto& [Name, Value] : Fields) {
        while (auto* Old = TagLib::ID3v2::UserTextIdentificationFrame::find(&Tag, Text(Name)))
            Tag.removeFrame(Old);
        if (Value.empty()) continue;
        auto Frame = std::make_unique<TagLib::ID3v2::UserTextIdentificationFrame>(String::UTF8);
        Frame->setDescription(Text(Name));
        Frame->setText(Text(Value));
        Tag.addFrame(Frame.release());
    }
}

void SetItems(TagLib::APE::Tag& Tag, const TGainFields& Fields) {
    for (const auto& [Name, Value] : Fields) {
        Tag.removeItem(Name);
        if (!Value.empty()) Tag.addValue(Name, Text(Value));
    }
}

// Opens FileName as a TagLib TFile and saves it once Set has changed its tags (Set returns what
// saving gave); raises saying why not.
template <class TFile, class TSet> void Rewrite(const std::string& FileName, TSet&& Set) {
    TTagStream Stream(FileName, true);
    auto File = OpenTagFile<TFile>(&Stream, true);
    if (!File->isValid() || File->readOnly() || !File->audioProperties())
        throw std::runtime_error("the file cannot be opened.");
    if (!Set(*File)) throw std::runtime_error("saving them failed.");
    Stream.Finish();
}

// Sets Fields in FileName in the tag form its players read the values from.
void WriteForm(TTagForm Form, const std::string& FileName, const TGainFields& Fields) {
    switch (Form) {
    case tfOggComments:
        return Rewrite<TagLib::Ogg::Vorbis::File>(FileName, [&](auto& File) {
            SetFields(*File.tag(), Fields);
            return File.save();
        });
    case tfFLACComments:
        return Rewrite<TagLib::FLAC::File>(FileName, [&](auto& File) {
            SetFields(*File.xiphComment(true), Fields);
            return File.save();
        });
    case tfID3v2:
        return Rewrite<TagLib::MPEG::File>(FileName, [&](auto& File) {
            SetFrames(*File.ID3v2Tag(true), Fields);
            // As the tag copy does: only the front tag changes, the audio stays as it is.
            return File.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                             TagLib::File::DoNotDuplicate);
        });
    case tfAPEv2:
        return Rewrite<TagLib::APE::File>(FileName, [&](auto& File) {
            SetItems(*File.APETag(true), Fields);
            return File.save();
        });
    case tfOpusComments:
        return Rewrite<TagLib::Ogg::Opus::File>(FileName, [&](auto& File) {
            SetFields(*File.tag(), R128Fields(Fields));
            return File.save();
        });
    case tfMP4Atoms:
        // Players read them from freeform atoms in the iTunes namespace.
        return Rewrite<TagLib::MP4::File>(FileName, [&](auto& File) {
            for (const auto& [Name, Value] : Fields) {
                const String Atom = "----:com.apple.iTunes:" + Text(Name);
                File.tag()->removeItem(Atom);
                if (!Value.empty()) File.tag()->setItem(Atom, TagLib::MP4::Item(StringList(Text(Value))));
            }
            return File.save();
        });
    case tfWavPackAPEv2:
        return Rewrite<TagLib::WavPack::File>(FileName, [&](auto& File) {
            SetItems(*File.APETag(true), Fields);
            return File.save();
        });
    case tfAIFFID3:
        return Rewrite<TagLib::RIFF::AIFF::File>(FileName, [&](auto& File) {
            SetFrames(*File.tag(), Fields);
            return File.save();
        });
    case tfRIFFInfo:
    case tfProbed:
        return; // no standard place, or never an output
    }
}

} // namespace

void WriteGainFields(const std::string& FileName, const std::string& Ext, const TGainFields& Fields) {
    const TFormat* Format = GainTagFormat(Ext);
    if (!Format) return;
    namespace fs = std::filesystem;
    std::string Copy = TemporaryOutputName(FileName);
    try {
        std::error_code Error;
        if (!fs::copy_file(PathOf(FileName), PathOf(Copy), fs::copy_options::overwrite_existing, Error))
            throw std::runtime_error(Error.message() + ".");
        WriteForm(Format->TagForm, Copy, Fields);
        CommitOutput(Copy, FileName);
    } catch (const std::exception& E) {
        DiscardOutput(Copy);
        throw std::runtime_error("Cannot write the ReplayGain tags of " + FileName + ": " + E.what());
    }
}

} // namespace deraz
