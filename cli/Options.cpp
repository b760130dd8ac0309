#include "cli/Options.h"

#include <charconv>
#include <utility>

#include "driver/BitrateCap.h"
#include "driver/FileNames.h"
#include "driver/ReplayGainTags.h"

namespace deraz {

namespace {

// "off" (when Off is allowed), "track" or "album" after Option.
TGainMode ParseGainMode(const std::string& Option, const std::string& Text, bool Off) {
    if (Text == "off" && Off) return gmOff;
    if (Text == "track") return gmTrack;
    if (Text == "album") return gmAlbum;
    throw EUsageError(Option + " is " + (Off ? "off, track or album" : "track or album") + ", not \"" + Text +
                      "\"");
}

} // namespace

const char* const UsageText =
    "usage: deraz-convert [-f EXT] [-l LEVEL] [-o DIR] [-j N] [-q] [OPTION...] INPUT...\n"
    "       deraz-convert --info FILE...\n"
    "       deraz-convert --levels [EXT] | --version | --help\n";

const char* const HelpText =
    "\n"
    "  -f EXT             output format: ogg, mp3, fla, flac, ape, wav (default: the stored one)\n"
    "  -l LEVEL           an entry of the format's quality, bit rate or level list: its index, its\n"
    "                     bit rate (-l 192k) or its name (-l insane); see --levels (default: its default)\n"
    "  -o DIR             write the outputs into DIR, made when missing (default: beside each input)\n"
    "  -j N               convert N files at once (default: one per processor)\n"
    "  -q                 no progress display\n"
    "  --copy-tags        carry tags and cover picture to the outputs (default: the stored choice)\n"
    "  --no-copy-tags     write outputs without tags\n"
    "  --cap-bitrate      MP3 and Ogg Vorbis from a lossy input: no more bit rate than the input has\n"
    "  --if-exists WHAT   an existing output: overwrite (default), skip, or rename (\"name (1).ext\")\n"
    "  --update           convert only inputs that are new or changed since their output was written\n"
    "  --flat             with -o, every output straight into DIR, not in the folders of folder inputs\n"
    "  --covers           copy cover pictures (cover.jpg, folder.png, ...) beside the inputs into the\n"
    "                     outputs' folders (default with -o for folder inputs, unless --flat)\n"
    "  --no-covers        copy no cover pictures\n"
    "  --replaygain WHAT  write ReplayGain tags: off (default), track, or album (track and album)\n"
    "  --apply-gain track MP3 and Ogg Vorbis: scale the audio by the track's gain, lowered so that\n"
    "                     the peak stays at full scale\n"
    "  --wav-type T       WAV output as pcm or ima (IMA ADPCM); default pcm\n"
    "  --block-size N     IMA ADPCM block size in bytes, a multiple of 4; default 512\n"
    "  --info FILE...     print the technical data and tags of each file\n"
    "  --levels [EXT]     list each format's levels with their index and default\n"
    "  --version          print the version\n"
    "\n"
    "An INPUT that is a folder gives every convertible file inside it and its subfolders; with -o\n"
    "their outputs keep the subfolders under DIR.\n"
    "Exit status: 0 all converted or up to date, 1 any file failed or was skipped, 2 usage error.\n";

namespace {

int32_t ParseNumber(const std::string& Option, const std::string& Text, int32_t Min, int32_t Max) {
    int32_t Value = 0;
    auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Error != std::errc() || End != Text.data() + Text.size() || Value < Min || Value > Max)
        throw EUsageError(Option + " takes a number from " + std::to_string(Min) + " to " +
                          std::to_string(Max) + ", not \"" + Text + "\"");
    return Value;
}

} // namespace

TCliOptions ParseCommandLine(const std::vector<std::string>& Arguments) {
    TCliOptions Options;
    bool OptionsEnded = false;
    for (size_t I = 0; I < Arguments.size(); ++I) {
        std::string Argument = Arguments[I];
        if (OptionsEnded || Argument.empty() || Argument[0] != '-' || Argument == "-") {
            Options.Files.push_back(Argument);
            continue;
        }
        // A value may also come attached: "-j2", "--block-size=256".
        std::optional<std::string> Attached;
        if (size_t Equals = Argument.find('='); Argument.starts_with("--") && Equals != std::string::npos) {
            Attached = Argument.substr(Equals + 1);
            Argument.resize(Equals);
        } else if (!Argument.starts_with("--") && Argument.size() > 2 &&
                   std::string("fljo").find(Argument[1]) != std::string::npos) {
            Attached = Argument.substr(2);
            Argument.resize(2);
        }
        auto Value = [&]() -> std::string {
            if (Attached) return *std::exchange(Attached, std::nullopt);
            if (I + 1 >= Arguments.size()) throw EUsageError(Argument + " needs a value");
            return Arguments[++I];
        };
        if (Argument == "--") {
            OptionsEnded = true;
        } else if (Argument == "-h" || Argument == "--help") {
            Options.Help = true;
        } else if (Argument == "--info") {
            Options.Info = true;
        } else if (Argument == "--version") {
            Options.Version = true;
        } else if (Argument == "--levels") {
            // The format is optional: taken only when the next argument names one.
            if (Attached)
                Options.Levels = Value();
            else if (I + 1 < Arguments.size() && FindOutputFormat(Arguments[I + 1]) >= 0)
                Options.Levels = Arguments[++I];
            else
                Options.Levels = "";
            if (!Options.Levels->empty() && FindOutputFormat(*Options.Levels) < 0)
                throw EUsageError("unknown output format \"" + *Options.Levels + "\"");
        } else if (Argument == "--copy-tags" || Argument == "--no-copy-tags") {
            Options.CopyTags = Argument == "--copy-tags";
        } else if (Argument == "--covers" || Argument == "--no-covers") {
            Options.Covers = Argument == "--covers";
        } else if (Argument == "--flat") {
            Options.Flat = true;
        } else if (Argument == "--update") {
            Options.Update = true;
        } else if (Argument == "--cap-bitrate") {
            Options.CapBitrate = true;
        } else if (Argument == "--if-exists") {
            std::string What = Value();
            if (What == "overwrite")
                Options.IfExists = ieOverwrite;
            else if (What == "skip")
                Options.IfExists = ieSkip;
            else if (What == "rename")
                Options.IfExists = ieRename;
            else
                throw EUsageError("--if-exists is overwrite, skip or rename, not \"" + What + "\"");
        } else if (Argument == "--replaygain") {
            Options.ReplayGain = ParseGainMode(Argument, Value(), true);
        } else if (Argument == "--apply-gain") {
            Options.ApplyGain = ParseGainMode(Argument, Value(), false);
        } else if (Argument == "-q") {
            Options.Quiet = true;
        } else if (Argument == "-f") {
            std::string Name = Value();
            int32_t Format = FindOutputFormat(Name);
            if (Format < 0) throw EUsageError("unknown output format \"" + Name + "\"");
            Options.Format = Format;
        } else if (Argument == "-l") {
            Options.Level = Value();
        } else if (Argument == "-o") {
            Options.OutputDir = Value();
        } else if (Argument == "-j") {
            Options.Jobs = ParseNumber(Argument, Value(), 1, 1024);
        } else if (Argument == "--wav-type") {
            std::string Type = Value();
            if (Type != "pcm" && Type != "ima")
                throw EUsageError("--wav-type is pcm or ima, not \"" + Type + "\"");
            Options.ImaAdpcm = Type == "ima";
        } else if (Argument == "--block-size") {
            int32_t Size = ParseNumber(Argument, Value(), 4, 65532);
            if (Size % 4 != 0) throw EUsageError("--block-size must be a multiple of 4");
            Options.BlockSize = uint16_t(Size);
        } else {
            throw EUsageError("unknown option " + Argument);
        }
        if (Attached) throw EUsageError(Argument + " takes no value");
    }
    if (!Options.Help && !Options.Version && !Options.Levels && Options.Files.empty())
        throw EUsageError("no input files");
    // Without -o every output goes beside its input: there is no folder to flatten or to copy to.
    if (Options.OutputDir.empty() && Options.Flat) throw EUsageError("--flat has no effect without -o");
    if (Options.OutputDir.empty() && Options.Covers.value_or(false))
        throw EUsageError("--covers has no effect without -o");
    // Numbered or kept outputs would never be the ones a later --update run compares with.
    if (Options.Update && Options.IfExists != ieOverwrite)
        throw EUsageError("--update cannot be combined with --if-exists skip or rename");
    return Options;
}

TOutputChoice ResolveOutputChoice(const TCliOptions& Options, const TOutputChoice& Stored) {
    TOutputChoice Choice = Stored;
    if (Options.Format) {
        Choice.DestExt = *Options.Format;
        Choice.Bitrate = OutputEntry(Choice.DestExt)->DefaultLevel;
    }
    if (!OutputEntry(Choice.DestExt))
        throw EUsageError("the stored output format " + std::to_string(Choice.DestExt) +
                          " is unknown; use -f");
    const TOutputFormat& Format = *OutputEntry(Choice.DestExt);
    if (Options.Level) {
        Choice.Bitrate = FindLevel(Choice.DestExt, *Options.Level);
    } else if (Choice.Bitrate < 0 || size_t(Choice.Bitrate) >= Format.Levels.size()) {
        // A stored entry beyond the list: the list's default.
        Choice.Bitrate = Format.DefaultLevel;
    }
    auto NoEffect = [&](const char* Option) {
        return EUsageError(std::string(Option) + " has no effect with " + Format.Extension + " output");
    };
    bool Wav = FormatOfOutput(Choice.DestExt)->SinkCode == scWaveOut;
    if (Options.ImaAdpcm && !Wav) throw NoEffect("--wav-type");
    if (Options.BlockSize && !Wav) throw NoEffect("--block-size");
    if (Options.BlockSize && !Options.ImaAdpcm.value_or(false))
        throw EUsageError("--block-size has no effect without --wav-type ima");
    if (Options.CapBitrate && LevelBitrates(Choice.DestExt).empty()) throw NoEffect("--cap-bitrate");
    if (Options.ReplayGain != gmOff && !HasGainTagForm(Format.Extension)) throw NoEffect("--replaygain");
    if (Options.ApplyGain != gmOff && LevelBitrates(Choice.DestExt).empty()) throw NoEffect("--apply-gain");
    if (Options.ApplyGain == gmAlbum)
        throw EUsageError(
            "--apply-gain album is not available yet; --apply-gain track applies each file's gain");
    Choice.ReplayGain = Options.ReplayGain;
    Choice.ApplyGain = Options.ApplyGain;
    Choice.CopyTags = Options.CopyTags.value_or(Stored.CopyTags);
    Choice.CapBitrate = Options.CapBitrate;
    return Choice;
}

namespace {

// The entry text up to " - ", which is the name alone ("Quality 5", "Fast").
std::string EntryHead(const std::string& Entry) {
    return Entry.substr(0, Entry.find(" - "));
}

std::string ListHint(const TOutputFormat& Format) {
    return "; deraz-convert --levels " + std::string(Format.Extension + 1) + " lists them";
}

} // namespace

int32_t FindLevel(int32_t DestExt, const std::string& Text) {
    const TOutputFormat& Format = *OutputEntry(DestExt);
    int32_t Count = int32_t(Format.Levels.size());
    std::string Wanted = LowerCase(Text);
    // A number is an index first, a bit rate otherwise; "192k" and "192kbps" are always rates.
    int32_t Number = 0;
    auto [End, Error] = std::from_chars(Wanted.data(), Wanted.data() + Wanted.size(), Number);
    std::string Unit = Wanted.substr(size_t(End - Wanted.data()));
    if (Error == std::errc() && End != Wanted.data() && (Unit.empty() || Unit == "k" || Unit == "kbps")) {
        if (Unit.empty() && Number >= 0 && Number < Count) return Number;
        auto Rates = LevelBitrates(DestExt);
        for (size_t I = 0; I < Rates.size(); ++I)
            if (Rates[I] == Number) return int32_t(I);
        throw EUsageError("level " + Text + " is not in the list of " + Format.Extension + " (0 to " +
                          std::to_string(Count - 1) + ")" + ListHint(Format));
    }
    // A name: the whole entry or its name part first, then the start of it.
    std::vector<int32_t> Exact, Started;
    for (int32_t I = 0; I < Count; ++I) {
        std::string Entry = LowerCase(Format.Levels[size_t(I)]);
        if (Entry == Wanted || EntryHead(Entry) == Wanted) Exact.push_back(I);
        if (Entry.starts_with(Wanted)) Started.push_back(I);
    }
    if (Exact.size() == 1) return Exact.front();
    if (Exact.empty() && Started.size() == 1) return Started.front();
    throw EUsageError("level \"" + Text + "\" " +
                      (Exact.size() + Started.size() > 1 ? "names several entries" : "is not an entry") +
                      " of " + Format.Extension + ListHint(Format));
}

std::string LevelsText(const std::string& Extension) {
    std::string Text;
    for (const TOutputFormat& Format : OutputFormats()) {
        if (!Extension.empty() && FindOutputFormat(Extension) != Format.DestExt) continue;
        if (!Text.empty()) Text += "\n";
        Text += std::string(Format.Extension + 1) + ": " + Format.Entry + "\n";
        for (size_t I = 0; I < Format.Levels.size(); ++I)
            Text += "  " + std::string(I < 10 ? " " : "") + std::to_string(I) + "  " + Format.Levels[I] +
                    (int32_t(I) == Format.DefaultLevel ? "  (default)" : "") + "\n";
    }
    return Text;
}

} // namespace deraz
