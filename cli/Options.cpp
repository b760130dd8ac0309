#include "cli/Options.h"

#include <charconv>
#include <utility>

namespace deraz {

const char* const UsageText = "usage: deraz-convert [-f EXT] [-l N] [-o DIR] [-j N] [-q] [--wav-type "
                              "pcm|ima] [--block-size N] INPUT...\n"
                              "       deraz-convert --info FILE...\n";

const char* const HelpText =
    "\n"
    "  -f EXT             output format: ogg, mp3, fla, flac, ape, wav (default: the stored one)\n"
    "  -l N               entry N of the format's quality, bit rate or level list (default: its default)\n"
    "  -o DIR             write the outputs into DIR, made when missing (default: beside each input)\n"
    "  -j N               convert N files at once (default: one per processor)\n"
    "  -q                 no progress display\n"
    "  --wav-type T       WAV output as pcm or ima (IMA ADPCM); default pcm\n"
    "  --block-size N     IMA ADPCM block size in bytes, a multiple of 4; default 512\n"
    "  --info FILE...     print the technical data and tags of each file\n"
    "\n"
    "Exit status: 0 all converted, 1 any file failed or was skipped, 2 usage error.\n";

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
        } else if (Argument == "-q") {
            Options.Quiet = true;
        } else if (Argument == "-f") {
            std::string Name = Value();
            int32_t Format = FindOutputFormat(Name);
            if (Format < 0) throw EUsageError("unknown output format \"" + Name + "\"");
            Options.Format = Format;
        } else if (Argument == "-l") {
            Options.Level = ParseNumber(Argument, Value(), 0, 1000);
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
    if (!Options.Help && Options.Files.empty()) throw EUsageError("no input files");
    return Options;
}

TOutputChoice ResolveOutputChoice(const TCliOptions& Options, const TOutputChoice& Stored) {
    TOutputChoice Choice = Stored;
    auto Formats = OutputFormats();
    if (Options.Format) {
        Choice.DestExt = *Options.Format;
        Choice.Bitrate = Formats[size_t(Choice.DestExt)].DefaultLevel;
    }
    if (Choice.DestExt < 0 || size_t(Choice.DestExt) >= Formats.size())
        throw EUsageError("the stored output format " + std::to_string(Choice.DestExt) +
                          " is unknown; use -f");
    const TOutputFormat& Format = Formats[size_t(Choice.DestExt)];
    auto InList = [&](int32_t Level) { return Level >= 0 && size_t(Level) < Format.Levels.size(); };
    if (Options.Level) {
        if (!InList(*Options.Level))
            throw EUsageError("level " + std::to_string(*Options.Level) + " is not in the list of " +
                              Format.Extension + " (0 to " + std::to_string(Format.Levels.size() - 1) + ")");
        Choice.Bitrate = *Options.Level;
    } else if (!InList(Choice.Bitrate)) {
        // A stored entry beyond the list: the list's default.
        Choice.Bitrate = Format.DefaultLevel;
    }
    return Choice;
}

} // namespace deraz
