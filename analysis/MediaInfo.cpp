#include "analysis/MediaInfo.h"

#include "analysis/ShownTags.h"
#include "analysis/TextUtils.h"
#ifdef DERAZ_HAVE_FFMPEG
#include "codecs/ffmpeg/FFmpegProbe.h"
#endif
#include "platform/Paths.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <ostream>

namespace deraz {

namespace {

std::string IntText(int64_t Value) {
    return std::to_string(Value);
}

std::string Seconds(double Value, int Decimals) {
    return FormatFixed(Value, Decimals, false) + " sec.";
}

std::string Hertz(int64_t Value) {
    return IntText(Value) + " Hz";
}

std::string Kbits(const std::string& Value) {
    return Value + " kbit/s";
}

std::string Bytes(int64_t Value) {
    return IntText(Value) + " bytes";
}

// The nominal bitrate, or the average over the file when the stream declares none.
int32_t OggBitrate(const TOggVorbis& R) {
    return R.NominalBitrate() != 0 ? R.NominalBitrate() : R.Bitrate();
}

// The comment fields of the Ogg readers (Vorbis, Opus).
template <class TOggReader> void FillOggComments(const TOggReader& R, TMediaInfo& I) {
    I.Artist = R.Artist();
    I.Title = R.Title();
    I.Album = R.Album();
    I.Track = IntText(R.Track());
    I.Date = R.Date();
    I.Genre = R.Genre();
    I.Comments = R.Comment();
}

void FillOggVorbis(const TOggVorbis& R, TMediaInfo& I) {
    FillOggComments(R, I);
    I.Length = Seconds(R.Duration(), 3);
    I.Bitrate = Kbits(IntText(OggBitrate(R)));
    I.FileSize = Bytes(R.FileSize());
    I.Channels = IntText(R.Channels());
    I.SampleRate = Hertz(R.SampleRate());
    I.Vendor = R.Vendor();
    I.Encoder = "Ogg Vorbis";
}

// The decoded rate, with the rate the audio was encoded from when the header states it.
std::string OpusSampleRate(const TOggOpus& R) {
    std::string Text = Hertz(TOggOpus::DecodedRate);
    if (R.InputSampleRate() > 0) Text += " (encoded from " + Hertz(R.InputSampleRate()) + ")";
    return Text;
}

void FillOpus(const TOggOpus& R, TMediaInfo& I) {
    FillOggComments(R, I);
    I.Length = Seconds(R.Duration(), 3);
    I.Bitrate = Kbits(IntText(R.Bitrate()));
    I.FileSize = Bytes(R.FileSize());
    I.Channels = IntText(R.Channels());
    I.SampleRate = OpusSampleRate(R);
    I.Vendor = R.Vendor();
    I.Encoder = "Opus";
}

void FillTags(const TShownTags& Tags, TMediaInfo& I) {
    I.Artist = Tags.Artist;
    I.Title = Tags.Title;
    I.Album = Tags.Album;
    I.Track = Tags.Track;
    I.Date = Tags.Date;
    I.Genre = Tags.Genre;
    I.Comments = Tags.Comments;
}

// The tag the file carries (for MP3 its ID3v2 tag, for Monkey's Audio its APE tag, when there is
// one), ID3v1 for the fields it leaves empty.
void FillTags(TShownTags Richer, const TID3v1& Id3v1, TMediaInfo& I) {
    TShownTags Plain = Id3v1Tags(Id3v1);
    for (auto Field : {&TShownTags::Artist, &TShownTags::Title, &TShownTags::Album, &TShownTags::Track,
                       &TShownTags::Date, &TShownTags::Genre, &TShownTags::Comments})
        if ((Richer.*Field).empty()) Richer.*Field = Plain.*Field;
    FillTags(Richer, I);
}

void FillMPEG(const TMPEGaudio& R, TMediaInfo& I) {
    I.Length = Seconds(R.Duration(), 1);
    I.Bitrate = Kbits((R.Vbr().Found ? "VBR " : "CBR ") + IntText(R.Bitrate()));
    I.FileSize = Bytes(R.FileSize());
    I.Channels = R.ChannelModeText();
    I.SampleRate = Hertz(R.SampleRate());
    I.Encoder = R.EncoderText();
    I.Version = R.VersionText();
    I.Layer = R.LayerText();
    I.Frames = IntText(R.FrameCount());
    I.Emphasis = IntText(R.FirstFrame().Emphasis);
    I.CRC = R.FirstFrame().Protected;
    I.Original = R.FirstFrame().OriginalBit;
    I.Copyrighted = R.FirstFrame().CopyrightBit;
}

void FillFLAC(const TFLACfile& R, TMediaInfo& I) {
    I.Artist = R.Artist();
    I.Title = R.Title();
    I.Album = R.Album();
    I.Track = R.TrackString();
    I.Date = R.Date();
    I.Genre = R.Genre();
    I.Comments = R.Comment();
    I.Length = Seconds(R.Duration(), 3);
    I.Bitrate = Kbits(IntText(R.Bitrate()));
    I.FileSize = Bytes(R.FileSize());
    I.Channels = R.ChannelModeText();
    I.SampleRate = Hertz(R.SampleRate());
    I.Vendor = R.Vendor();
    I.Encoder = R.Encoder();
    I.VersionCaption = "Compression:";
    I.Version = FormatFixed(R.CompressionRatio(), 2, true) + "%";
}

// Whole kbit/s, as the FLAC, Ogg Vorbis and MPEG readers give theirs.
std::string MonkeyBitrate(const TMonkey& R) {
    return IntText(RoundToInt(R.Bitrate()));
}

void FillMonkey(const TMonkey& R, TMediaInfo& I) {
    I.Length = Seconds(R.Duration(), 3);
    I.Bitrate = Kbits(MonkeyBitrate(R));
    I.FileSize = Bytes(R.FileSize());
    I.Channels = IntText(R.Channels());
    I.SampleRate = Hertz(R.SampleRate());
    I.VendorCaption = "Compression:";
    I.Vendor = FormatFixed(R.CompressionRatio(), 2, true) + "% - " + R.CompressionText();
    I.Encoder = "Monkeys Audio";
    I.Version = R.VersionText();
}

void FillWAV(const TWAVfile& R, TMediaInfo& I) {
    I.Length = Seconds(R.Duration(), 3);
    I.Bitrate = Kbits(FormatGeneral(R.Bitrate()));
    I.FileSize = Bytes(R.FileSize());
    I.Channels = IntText(R.Channels());
    I.SampleRate = Hertz(R.SampleRate());
}

#ifdef DERAZ_HAVE_FFMPEG
std::string ProbeBitrate(const TMediaProbe& R) {
    return IntText((R.Bitrate + 500) / 1000);
}

void FillProbe(const TMediaProbe& R, TMediaInfo& I) {
    I.Length = Seconds(R.Duration, 3);
    I.Bitrate = Kbits(ProbeBitrate(R));
    I.FileSize = Bytes(R.FileSize);
    I.Channels = IntText(R.Channels);
    I.SampleRate = Hertz(R.SampleRate);
    I.Vendor = R.Encoder;
    I.Encoder = R.Codec;
    if (R.Bits > 0) {
        I.VersionCaption = "Bits:";
        I.Version = IntText(R.Bits);
    }
}
#else
// Without FFmpeg's libraries in the build, their formats are read by nothing.
struct TMediaProbe {
    bool Valid = false;
};
TMediaProbe ProbeMedia(const std::string&) {
    return {};
}
std::string ProbeBitrate(const TMediaProbe&) {
    return {};
}
void FillProbe(const TMediaProbe&, TMediaInfo&) {}
#endif

void FillLossless(const TLosslessInfo& R, const std::string& Encoder, TMediaInfo& I) {
    I.Length = Seconds(R.Duration(), 3);
    I.Bitrate = Kbits(IntText(R.Bitrate()));
    I.FileSize = Bytes(R.FileSize());
    I.Channels = IntText(R.Channels());
    I.SampleRate = Hertz(R.SampleRate());
    I.Encoder = Encoder;
    I.VersionCaption = "Samples:";
    I.Version = IntText(R.BitsPerSample()) + (R.Float() ? "-bit float" : "-bit");
}

// A value on one line: line breaks written as \n and \r.
std::string OneLine(const std::string& Text) {
    std::string Out;
    for (char C : Text) {
        if (C == '\n')
            Out += "\\n";
        else if (C == '\r')
            Out += "\\r";
        else
            Out += C;
    }
    return Out;
}

} // namespace

std::string FileExtension(const std::string& FileName) {
    size_t Dot = FileName.rfind('.');
    size_t Slash = FileName.find_last_of(PathDelimiters);
    if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash)) return "";
    return FileName.substr(Dot);
}

std::string LowerCaseExtension(const std::string& FileName) {
    std::string Ext = FileExtension(FileName);
    for (char& C : Ext) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return Ext;
}

TMediaKind MediaKindOf(const std::string& FileName) {
    const TFormat* Format = FindInputFormat(FileExtension(FileName));
    return Format ? Format->Analyser : mkOggVorbis;
}

std::string SizeText(const std::string& FileName) {
    std::error_code Error;
    auto Path = std::filesystem::u8path(FileName);
    if (!std::filesystem::exists(Path, Error) || std::filesystem::is_directory(Path, Error)) return "0";
    auto Size = std::filesystem::file_size(Path, Error);
    return Error ? "0" : std::to_string(Size) + " Bytes.";
}

std::string BitrateText(TMediaAnalysers& A, const std::string& FileName) {
    const char* Invalid = InvalidBitrateText(FileExtension(FileName));
    try {
        switch (MediaKindOf(FileName)) {
        case mkMPEG:
            A.Mpeg.LoadFile(FileName);
            return A.Mpeg.IsValid() ? IntText(A.Mpeg.Bitrate()) : Invalid;
        case mkFLAC:
            A.Flac.LoadFile(FileName);
            return A.Flac.IsValid() ? IntText(A.Flac.Bitrate()) : Invalid;
        case mkMonkey:
            A.Monkey.LoadFile(FileName);
            return A.Monkey.Valid() ? MonkeyBitrate(A.Monkey) : Invalid;
        case mkWAV:
            A.Wav.LoadFile(FileName);
            return A.Wav.Valid() ? FormatGeneral(A.Wav.Bitrate()) : Invalid;
        case mkOggVorbis:
            A.Ogg.LoadFile(FileName);
            return A.Ogg.IsValid() ? IntText(OggBitrate(A.Ogg)) : Invalid;
        case mkOpus:
            A.Opus.LoadFile(FileName);
            return A.Opus.IsValid() ? IntText(A.Opus.Bitrate()) : Invalid;
        case mkProbed: {
            const TMediaProbe Probe = ProbeMedia(FileName);
            return Probe.Valid ? ProbeBitrate(Probe) : Invalid;
        }
        case mkWavPack:
            A.WavPack.LoadFile(FileName);
            return A.WavPack.Valid() ? IntText(A.WavPack.Bitrate()) : Invalid;
        case mkAIFF:
            A.Aiff.LoadFile(FileName);
            return A.Aiff.Valid() ? IntText(A.Aiff.Bitrate()) : Invalid;
        }
    } catch (const std::exception&) {
        // A file its reader cannot open counts as not valid here.
    }
    return Invalid;
}

std::string FormatFixed(double Value, int Decimals, bool LeadingZero) {
    char Text[64];
    std::snprintf(Text, sizeof Text, "%.*f", Decimals, Value);
    std::string Out = Text;
    if (!LeadingZero) {
        size_t Digits = Out[0] == '-' ? 1 : 0;
        if (Out.compare(Digits, 2, "0.") == 0) Out.erase(Digits, 1);
    }
    return Out;
}

std::string FormatGeneral(double Value) {
    char Text[64];
    std::snprintf(Text, sizeof Text, "%.15g", Value);
    return Text;
}

bool ReadMediaInfo(TMediaAnalysers& A, const std::string& FileName, TMediaInfo& Info) {
    TMediaInfo Result;
    Result.Ext = FileExtension(FileName);
    switch (MediaKindOf(FileName)) {
    case mkOggVorbis:
        A.Ogg.LoadFile(FileName);
        if (!A.Ogg.IsValid()) return false;
        FillOggVorbis(A.Ogg, Result);
        break;
    case mkMPEG:
        A.Mpeg.LoadFile(FileName);
        if (!A.Mpeg.IsValid()) return false;
        FillMPEG(A.Mpeg, Result);
        FillTags(ShownTags(ReadTags(FileName)), A.Mpeg.Id3v1(), Result);
        break;
    case mkFLAC:
        A.Flac.LoadFile(FileName);
        if (!A.Flac.IsValid()) return false;
        FillFLAC(A.Flac, Result);
        break;
    case mkMonkey:
        A.Monkey.LoadFile(FileName);
        if (!A.Monkey.Valid()) return false;
        FillMonkey(A.Monkey, Result);
        FillTags(ShownTags(ReadTags(FileName)), A.Monkey.Id3v1(), Result);
        break;
    case mkWAV:
        A.Wav.LoadFile(FileName);
        if (!A.Wav.Valid()) return false;
        FillWAV(A.Wav, Result);
        FillTags(ShownTags(ReadTags(FileName)), Result);
        break;
    case mkOpus:
        A.Opus.LoadFile(FileName);
        if (!A.Opus.IsValid()) return false;
        FillOpus(A.Opus, Result);
        break;
    case mkProbed: {
        const TMediaProbe Probe = ProbeMedia(FileName);
        if (!Probe.Valid) return false;
        FillProbe(Probe, Result);
        FillTags(ShownTags(ReadTags(FileName)), Result);
        break;
    }
    case mkWavPack:
        A.WavPack.LoadFile(FileName);
        if (!A.WavPack.Valid()) return false;
        FillLossless(A.WavPack, A.WavPack.Hybrid() ? "WavPack (hybrid)" : "WavPack", Result);
        FillTags(ShownTags(ReadTags(FileName)), Result);
        break;
    case mkAIFF:
        A.Aiff.LoadFile(FileName);
        if (!A.Aiff.Valid()) return false;
        FillLossless(A.Aiff, A.Aiff.Compression() == "NONE" ? "AIFF" : "AIFF-C " + A.Aiff.Compression(),
                     Result);
        FillTags(ShownTags(ReadTags(FileName)), Result);
        break;
    }
    Info = std::move(Result);
    return true;
}

bool PrintMediaInfo(TMediaAnalysers& A, const std::string& FileName, std::ostream& Out) {
    Out << "File: " << FileName << '\n';
    TMediaInfo I;
    try {
        if (!ReadMediaInfo(A, FileName, I)) {
            Out << "Valid: no\n";
            return false;
        }
    } catch (const std::exception& E) {
        Out << "Error: " << E.what() << '\n';
        return false;
    }
    auto YesNo = [](bool Flag) { return Flag ? "yes" : "no"; };
    const std::pair<const char*, const std::string*> Lines[] = {{"Extension:", &I.Ext},
                                                                {"Artist:", &I.Artist},
                                                                {"Title:", &I.Title},
                                                                {"Album:", &I.Album},
                                                                {"Track:", &I.Track},
                                                                {"Date / year:", &I.Date},
                                                                {"Genre:", &I.Genre},
                                                                {"Comments:", &I.Comments},
                                                                {"Duration:", &I.Length},
                                                                {"Average bitrate:", &I.Bitrate},
                                                                {"File size:", &I.FileSize},
                                                                {"Channels:", &I.Channels},
                                                                {"Sampling rate:", &I.SampleRate}};
    for (const auto& [Caption, Value] : Lines) Out << Caption << ' ' << OneLine(*Value) << '\n';
    Out << I.VendorCaption << ' ' << OneLine(I.Vendor) << '\n';
    Out << "Encoder: " << OneLine(I.Encoder) << '\n';
    Out << I.VersionCaption << ' ' << I.Version << '\n';
    Out << "Layer: " << I.Layer << '\n'
        << "Frames: " << I.Frames << '\n'
        << "Emphasis: " << I.Emphasis << '\n';
    Out << "CRC: " << YesNo(I.CRC) << '\n'
        << "Original: " << YesNo(I.Original) << '\n'
        << "Copyrighted: " << YesNo(I.Copyrighted) << '\n';
    Out << "Bitrate column: " << BitrateText(A, FileName) << '\n';
    return true;
}

int RunMediaInfo(const std::vector<std::string>& FileNames, std::ostream& Out) {
    TMediaAnalysers Analysers;
    bool AllRead = true;
    for (size_t I = 0; I < FileNames.size(); ++I) {
        if (I > 0) Out << '\n';
        AllRead = PrintMediaInfo(Analysers, FileNames[I], Out) && AllRead;
    }
    return AllRead ? 0 : 1;
}

} // namespace deraz
