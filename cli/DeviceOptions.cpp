#include "cli/DeviceOptions.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>

#include "driver/BitrateCap.h"
#include "driver/ReplayGainTags.h"

namespace deraz {

namespace {

int32_t ParseChoice(const std::string& Option, const std::string& Text,
                    std::initializer_list<int32_t> Allowed, const char* Listed) {
    int32_t Value = 0;
    auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Error != std::errc() || End != Text.data() + Text.size() ||
        std::find(Allowed.begin(), Allowed.end(), Value) == Allowed.end())
        throw EUsageError(Option + " is " + Listed + ", not \"" + Text + "\"");
    return Value;
}

int32_t ParseRate(const std::string& Option, const std::string& Text) {
    int32_t Value = 0;
    auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Error != std::errc() || End != Text.data() + Text.size() || Value < 8000 || Value > 768000)
        throw EUsageError(Option + " takes a rate in Hz from 8000 to 768000, not \"" + Text + "\"");
    return Value;
}

std::string ProfileName(const std::string& Option, const std::string& Text) {
    if (Text.empty()) throw EUsageError(Option + " needs a profile name");
    return Text;
}

// "mp3, 192 kbps, at most 48000 Hz, 16 bits, stereo, copying compatible inputs".
std::string ChoiceText(const TOutputChoice& Choice) {
    const TOutputFormat& Format = OutputFormats()[size_t(Choice.DestExt)];
    std::string Text = Format.Extension + 1;
    if (Choice.Bitrate >= 0 && size_t(Choice.Bitrate) < Format.Levels.size())
        Text += std::string(", ") + Format.Levels[size_t(Choice.Bitrate)];
    if (Choice.Limits.MaxRate > 0) Text += ", at most " + std::to_string(Choice.Limits.MaxRate) + " Hz";
    if (Choice.Limits.MaxBits > 0) Text += ", at most " + std::to_string(Choice.Limits.MaxBits) + " bits";
    if (Choice.Limits.Channels > 0) Text += Choice.Limits.Channels == 1 ? ", mono" : ", at most stereo";
    if (Choice.CopyCompatible) Text += ", copying compatible inputs";
    if (Choice.CopyTags) Text += ", tags";
    if (Choice.CapBitrate) Text += ", bit rate capped";
    if (Choice.ReplayGain != gmOff) Text += Choice.ReplayGain == gmAlbum ? ", album gain" : ", track gain";
    return Text;
}

} // namespace

bool ParseDeviceOption(const std::string& Argument, const std::function<std::string()>& Value,
                       TCliOptions& Options) {
    if (Argument == "--max-rate")
        Options.MaxRate = ParseRate(Argument, Value());
    else if (Argument == "--max-bits")
        Options.MaxBits = ParseChoice(Argument, Value(), {16, 24}, "16 or 24");
    else if (Argument == "--channels")
        Options.MaxChannels = ParseChoice(Argument, Value(), {2, 1}, "2 or 1");
    else if (Argument == "--copy-compatible")
        Options.CopyCompatible = true;
    else if (Argument == "--profile")
        Options.Profile = ProfileName(Argument, Value());
    else if (Argument == "--save-profile")
        Options.SaveProfile = ProfileName(Argument, Value());
    else if (Argument == "--profiles")
        Options.Profiles = true;
    else
        return false;
    return true;
}

void ApplyDeviceOptions(const TCliOptions& Options, const TOutputChoice& Stored, TOutputChoice& Choice) {
    // Without a profile, only what the command line says applies.
    const TOutputChoice Base = Options.Profile ? Stored : TOutputChoice{};
    Choice.Limits = Base.Limits;
    if (Options.MaxRate) Choice.Limits.MaxRate = *Options.MaxRate;
    if (Options.MaxBits) Choice.Limits.MaxBits = *Options.MaxBits;
    if (Options.MaxChannels) Choice.Limits.Channels = *Options.MaxChannels;
    Choice.CopyCompatible = Options.CopyCompatible || Base.CopyCompatible;
    const bool Lossy = !LevelBitrates(Choice.DestExt).empty();
    if (Options.MaxBits && Lossy)
        throw EUsageError(std::string("--max-bits has no effect with ") + OutputExtension(Choice.DestExt) +
                          " output");
    if (Options.Profile) {
        Choice.CapBitrate = Choice.CapBitrate || (Lossy && Base.CapBitrate);
        if (Options.ReplayGain == gmOff && HasGainTagForm(OutputExtension(Choice.DestExt)))
            Choice.ReplayGain = Base.ReplayGain;
    }
}

TOutputChoice StartingChoice(const TCliOptions& Options, const TSettings& Settings) {
    if (!Options.Profile) return Settings.OutputChoice();
    try {
        return Settings.ProfileChoice(*Options.Profile);
    } catch (const EProfileError& E) {
        throw EUsageError(E.what());
    }
}

std::optional<bool> CoversFor(const TCliOptions& Options, const TSettings& Settings) {
    if (Options.Covers || !Options.Profile || Settings.ProfileCopyCovers(*Options.Profile))
        return Options.Covers;
    return false;
}

std::string ProfilesText(const TSettings& Settings) {
    std::string Text;
    for (const std::string& Name : Settings.ProfileNames()) {
        Text += Name + ": ";
        try {
            Text += ChoiceText(Settings.ProfileChoice(Name)) + "\n";
        } catch (const EProfileError& E) {
            Text += std::string("cannot be used: ") + E.what() + "\n";
        }
    }
    return Text;
}

} // namespace deraz
