#include <filesystem>
#include <memory>
#include <stdexcept>

#include <taglib/textidentificationframe.h>

#include "analysis/TagForms.h"
#include "driver/FileNames.h"
#include "driver/OutputFiles.h"
#include "driver/ReplayGainTags.h"

namespace deraz {

namespace {

using namespace tagforms;

void SetFields(TagLib::Ogg::XiphComment& Comment, const TGainFields& Fields) {
    for (const auto& [Name, Value] : Fields) {
        Comment.removeFields(Name);
        if (!Value.empty()) Comment.addField(Name, Text(Value), false);
    }
}

bool WriteInto(TagLib::Ogg::Vorbis::File& File, const TGainFields& Fields) {
    SetFields(*File.tag(), Fields);
    return File.save();
}

bool WriteInto(TagLib::FLAC::File& File, const TGainFields& Fields) {
    SetFields(*File.xiphComment(true), Fields);
    return File.save();
}

void SetID3v2(TagLib::ID3v2::Tag* Tag, const TGainFields& Fields) {
    for (const auto& [Name, Value] : Fields) {
        while (auto* Old = TagLib::ID3v2::UserTextIdentificationFrame::find(Tag, Text(Name)))
            Tag->removeFrame(Old);
        if (Value.empty()) continue;
        auto Frame = std::make_unique<TagLib::ID3v2::UserTextIdentificationFrame>(String::UTF8);
        Frame->setDescription(Text(Name));
        Frame->setText(Text(Value));
        Tag->addFrame(Frame.release());
    }
}

bool WriteInto(TagLib::MPEG::File& File, const TGainFields& Fields) {
    SetID3v2(File.ID3v2Tag(true), Fields);
    // As the tag copy does: only the front tag changes, the audio stays as it is.
    return File.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

// Monkey's Audio and WavPack: APEv2 items.
template <class TFile> bool WriteApeGain(TFile& File, const TGainFields& Fields) {
    auto* Tag = File.APETag(true);
    for (const auto& [Name, Value] : Fields) {
        Tag->removeItem(Name);
        if (!Value.empty()) Tag->addValue(Name, Text(Value));
    }
    return File.save();
}

bool WriteInto(TagLib::APE::File& File, const TGainFields& Fields) {
    return WriteApeGain(File, Fields);
}

bool WriteInto(TagLib::WavPack::File& File, const TGainFields& Fields) {
    return WriteApeGain(File, Fields);
}

bool WriteInto(TagLib::RIFF::AIFF::File& File, const TGainFields& Fields) {
    SetID3v2(File.tag(), Fields);
    return File.save();
}

bool WriteInto(TagLib::RIFF::WAV::File&, const TGainFields&) {
    return true;
}

} // namespace

void WriteGainFields(const std::string& FileName, const std::string& Ext, const TGainFields& Fields) {
    const TFormat* Format = GainTagFormat(Ext);
    if (!Format) return;
    namespace fs = std::filesystem;
    std::string Copy = TemporaryOutputName(FileName);
    auto Fail = [&](const std::string& Why) {
        DiscardOutput(Copy);
        throw std::runtime_error("Cannot write the ReplayGain tags of " + FileName + ": " + Why);
    };
    std::error_code Error;
    if (!fs::copy_file(FileName, Copy, fs::copy_options::overwrite_existing, Error))
        Fail(Error.message() + ".");
    try {
        WithTagFile(Format->TagForm, Copy, true, [&](auto& File) {
            if (!File.isValid() || File.readOnly() || !File.audioProperties())
                Fail("the file cannot be opened.");
            if (!WriteInto(File, Fields)) Fail("saving them failed.");
        });
        CommitOutput(Copy, FileName);
    } catch (const std::runtime_error&) {
        DiscardOutput(Copy);
        throw;
    }
}

} // namespace deraz
