#include "driver/Settings.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <thread>

#include "driver/TagCopy.h"
#include "platform/Paths.h"

namespace deraz {

namespace {

struct TKey {
    const char* Section;
    const char* Name;
};

constexpr TKey kMinimode{"General", "Minimode"};
constexpr TKey kNotify{"General", "Notify"};
constexpr TKey kAutoMinimode{"General", "AutoMinimode"};
constexpr TKey kUseSound{"General", "UseSound"};
constexpr TKey kDone{"General", "Done"};
constexpr TKey kError{"General", "Error"};
constexpr TKey kParallel{"General", "ParallelConversions"};
constexpr TKey kKeepFolders{"General", "KeepFolders"};
constexpr TKey kCopyCovers{"General", "CopyCovers"};
constexpr TKey kUpdateOnly{"General", "UpdateOnly"};
constexpr TKey kReplayGain{"General", "ReplayGain"};
constexpr TKey kNameByTags{"General", "NameByTags"};
constexpr TKey kNamePattern{"General", "NamePattern"};
constexpr TKey kRemoveGone{"General", "RemoveGone"};
constexpr TKey kDestExt{"Output", "DestExt"};
constexpr TKey kBitrate{"Output", "Bitrate"};
constexpr TKey kCopyTags{"Output", "CopyTags"};
constexpr TKey kCapBitrate{"Output", "CapBitrate"};
constexpr TKey kMaxRate{"Output", "MaxRate"};
constexpr TKey kMaxBits{"Output", "MaxBits"};
constexpr TKey kChannels{"Output", "Channels"};
constexpr TKey kCopyCompatible{"Output", "CopyCompatible"};
// The keys outside "Output" that belong to an output choice, and so to a profile.
constexpr TKey kProfileGeneralKeys[] = {kReplayGain, kCopyCovers};
constexpr const char* ProfilePrefix = "Profile ";
constexpr const char* kExtension = "Extension";

constexpr int32_t DefaultDestExt = 0;
constexpr int32_t DefaultBitrate = 5;
constexpr int32_t MaxParallelConversions = 64;

TGainMode GainMode(int32_t Value) {
    return Value == gmTrack || Value == gmAlbum ? TGainMode(Value) : gmOff;
}

// Value when it is one of Allowed, else 0 (no limit).
int32_t LimitOf(int32_t Value, std::initializer_list<int32_t> Allowed) {
    return std::find(Allowed.begin(), Allowed.end(), Value) != Allowed.end() ? Value : 0;
}

constexpr int32_t LowestMaxRate = 8000;
constexpr int32_t HighestMaxRate = 768000;

// The keys of an output choice, each in its own section, or all in the one section Profile.
class TChoiceKeys {
public:
    TChoiceKeys(const TIniFile& Ini, const std::string* Profile) : FIni(Ini), FProfile(Profile) {}

    std::string Section(const TKey& Key) const { return FProfile ? *FProfile : Key.Section; }
    int32_t Integer(const TKey& Key, int32_t Default) const {
        return FIni.ReadInteger(Section(Key), Key.Name, Default);
    }
    bool Bool(const TKey& Key, bool Default) const { return FIni.ReadBool(Section(Key), Key.Name, Default); }

    TOutputChoice Read() const {
        TOutputChoice Choice{Integer(kDestExt, DefaultDestExt), Integer(kBitrate, DefaultBitrate),
                             Bool(kCopyTags, TagCopyAvailable()), Bool(kCapBitrate, false)};
        Choice.ReplayGain = GainMode(Integer(kReplayGain, gmOff));
        const int32_t MaxRate = Integer(kMaxRate, 0);
        Choice.Limits.MaxRate = MaxRate >= LowestMaxRate && MaxRate <= HighestMaxRate ? MaxRate : 0;
        Choice.Limits.MaxBits = LimitOf(Integer(kMaxBits, 0), {16, 24});
        Choice.Limits.Channels = LimitOf(Integer(kChannels, 0), {1, 2});
        Choice.CopyCompatible = Bool(kCopyCompatible, false);
        return Choice;
    }

private:
    const TIniFile& FIni;
    const std::string* FProfile;
};

bool SameName(const std::string& A, const std::string& B) {
    return std::equal(A.begin(), A.end(), B.begin(), B.end(),
                      [](unsigned char X, unsigned char Y) { return std::tolower(X) == std::tolower(Y); });
}

bool IsProfileGeneralKey(const std::string& Name) {
    return std::any_of(std::begin(kProfileGeneralKeys), std::end(kProfileGeneralKeys),
                       [&](const TKey& Key) { return SameName(Name, Key.Name); });
}

// The section of profile Name; raises for a name a section header cannot hold.
std::string ProfileSection(const std::string& Name) {
    if (Name.empty() || Name.find_first_of("[]\r\n") != std::string::npos || Name.front() == ' ' ||
        Name.back() == ' ')
        throw EProfileError("A profile name must not be empty, start or end with a space, or hold [, ] or a "
                            "line break.");
    return ProfilePrefix + Name;
}

int32_t ProcessorCount() {
    return int32_t(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned(MaxParallelConversions)));
}

} // namespace

std::string DefaultSettingsFileName() {
    return NameOf(SettingsFilePath("Varidir.ini"));
}

TSettings::TSettings(const std::string& FileName) : FIni(FileName) {}

TPreferences TSettings::Preferences() const {
    TPreferences Result;
    Result.Minimode = FIni.ReadBool(kMinimode.Section, kMinimode.Name, false);
    Result.Notify = FIni.ReadBool(kNotify.Section, kNotify.Name, false);
    Result.AutoMinimode = AutoMinimode();
    Result.UseSound = UseSound();
    Result.Done = DoneSound();
    Result.Error = FIni.ReadString(kError.Section, kError.Name, "");
    return Result;
}

bool TSettings::AutoMinimode() const {
    return FIni.ReadBool(kAutoMinimode.Section, kAutoMinimode.Name, false);
}
bool TSettings::UseSound() const {
    return FIni.ReadBool(kUseSound.Section, kUseSound.Name, false);
}
std::string TSettings::DoneSound() const {
    return FIni.ReadString(kDone.Section, kDone.Name, "");
}

int32_t TSettings::ParallelConversions() const {
    int32_t Value = FIni.ReadInteger(kParallel.Section, kParallel.Name, ProcessorCount());
    return Value < 1 ? ProcessorCount() : std::min(Value, MaxParallelConversions);
}

TLibraryPreferences TSettings::LibraryPreferences() const {
    const TLibraryPreferences Defaults;
    return {FIni.ReadBool(kKeepFolders.Section, kKeepFolders.Name, Defaults.KeepFolders),
            FIni.ReadBool(kCopyCovers.Section, kCopyCovers.Name, Defaults.CopyCovers),
            FIni.ReadBool(kUpdateOnly.Section, kUpdateOnly.Name, Defaults.UpdateOnly)};
}

TNamingPreferences TSettings::NamingPreferences() const {
    const TNamingPreferences Defaults;
    std::string Pattern = FIni.ReadString(kNamePattern.Section, kNamePattern.Name, Defaults.NamePattern);
    return {FIni.ReadBool(kNameByTags.Section, kNameByTags.Name, Defaults.NameByTags),
            Pattern.empty() ? Defaults.NamePattern : Pattern,
            FIni.ReadBool(kRemoveGone.Section, kRemoveGone.Name, Defaults.RemoveGone)};
}

int32_t TSettings::DestExt() const {
    return FIni.ReadInteger(kDestExt.Section, kDestExt.Name, DefaultDestExt);
}
int32_t TSettings::Bitrate() const {
    return FIni.ReadInteger(kBitrate.Section, kBitrate.Name, DefaultBitrate);
}
bool TSettings::CopyTags() const {
    return FIni.ReadBool(kCopyTags.Section, kCopyTags.Name, TagCopyAvailable());
}

bool TSettings::CapBitrate() const {
    return FIni.ReadBool(kCapBitrate.Section, kCapBitrate.Name, false);
}

TGainMode TSettings::ReplayGain() const {
    return GainMode(FIni.ReadInteger(kReplayGain.Section, kReplayGain.Name, gmOff));
}

TDeviceLimits TSettings::DeviceLimits() const {
    return OutputChoice().Limits;
}

bool TSettings::CopyCompatible() const {
    return FIni.ReadBool(kCopyCompatible.Section, kCopyCompatible.Name, false);
}

TOutputChoice TSettings::OutputChoice() const {
    return TChoiceKeys(FIni, nullptr).Read();
}

std::vector<std::string> TSettings::ProfileNames() const {
    std::vector<std::string> Names;
    const std::string Prefix = ProfilePrefix;
    for (const std::string& Section : FIni.ReadSections())
        if (Section.size() > Prefix.size() && SameName(Section.substr(0, Prefix.size()), Prefix))
            Names.push_back(Section.substr(Prefix.size()));
    return Names;
}

TOutputChoice TSettings::ProfileChoice(const std::string& Name) const {
    const std::string Section = ProfileSection(Name);
    auto Names = FIni.ReadSections();
    if (std::none_of(Names.begin(), Names.end(), [&](const std::string& S) { return SameName(S, Section); }))
        throw EProfileError("There is no profile \"" + Name + "\".");
    TOutputChoice Choice = TChoiceKeys(FIni, &Section).Read();
    // The extension names the format in any build; the index only in the one that stored it.
    const std::string Extension = FIni.ReadString(Section, kExtension, "");
    if (!Extension.empty()) {
        Choice.DestExt = FindOutputFormat(Extension);
        if (Choice.DestExt < 0)
            throw EProfileError("Profile \"" + Name + "\" writes " + Extension +
                                " files, which this build cannot write.");
    } else if (!FormatOfOutput(Choice.DestExt)) {
        throw EProfileError("Profile \"" + Name + "\" names output format " + std::to_string(Choice.DestExt) +
                            ", which this build does not have.");
    }
    return Choice;
}

bool TSettings::ProfileCopyCovers(const std::string& Name) const {
    return FIni.ReadBool(ProfileSection(Name), kCopyCovers.Name, true);
}

void TSettings::WriteProfile(const std::string& Name, const TOutputChoice& Choice, bool CopyCovers) {
    const std::string Section = ProfileSection(Name);
    MakeFolder();
    FIni.WriteString(Section, kExtension, OutputExtension(Choice.DestExt));
    FIni.WriteInteger(Section, kDestExt.Name, Choice.DestExt);
    FIni.WriteInteger(Section, kBitrate.Name, Choice.Bitrate);
    FIni.WriteBool(Section, kCopyTags.Name, Choice.CopyTags);
    FIni.WriteBool(Section, kCapBitrate.Name, Choice.CapBitrate);
    FIni.WriteInteger(Section, kReplayGain.Name, Choice.ReplayGain);
    FIni.WriteInteger(Section, kMaxRate.Name, Choice.Limits.MaxRate);
    FIni.WriteInteger(Section, kMaxBits.Name, Choice.Limits.MaxBits);
    FIni.WriteInteger(Section, kChannels.Name, Choice.Limits.Channels);
    FIni.WriteBool(Section, kCopyCompatible.Name, Choice.CopyCompatible);
    FIni.WriteBool(Section, kCopyCovers.Name, CopyCovers);
}

void TSettings::SaveCurrentAsProfile(const std::string& Name) {
    const std::string Section = ProfileSection(Name);
    MakeFolder();
    // Options this code does not know yet travel as they are; the known ones as they read.
    for (const auto& [Key, Value] : FIni.ReadSectionValues(kDestExt.Section))
        FIni.WriteString(Section, Key, Value);
    WriteProfile(Name, OutputChoice(), LibraryPreferences().CopyCovers);
}

void TSettings::ApplyProfile(const std::string& Name) {
    const TOutputChoice Choice = ProfileChoice(Name);
    MakeFolder();
    for (const auto& [Key, Value] : FIni.ReadSectionValues(ProfileSection(Name))) {
        if (SameName(Key, kExtension)) continue;
        const char* Home = IsProfileGeneralKey(Key) ? kReplayGain.Section : kDestExt.Section;
        FIni.WriteString(Home, Key, SameName(Key, kDestExt.Name) ? std::to_string(Choice.DestExt) : Value);
    }
}

// The user's settings folder may not exist before the first write; when it cannot be made, the
// write that follows fails with the file's name.
void TSettings::MakeFolder() const {
    std::error_code Ignored;
    std::filesystem::create_directories(PathOf(FileName()).parent_path(), Ignored);
}

void TSettings::WritePreferences(const TPreferences& Value) {
    MakeFolder();
    FIni.WriteBool(kMinimode.Section, kMinimode.Name, Value.Minimode);
    FIni.WriteBool(kNotify.Section, kNotify.Name, Value.Notify);
    FIni.WriteBool(kAutoMinimode.Section, kAutoMinimode.Name, Value.AutoMinimode);
    FIni.WriteBool(kUseSound.Section, kUseSound.Name, Value.UseSound);
    FIni.WriteString(kDone.Section, kDone.Name, Value.Done);
    FIni.WriteString(kError.Section, kError.Name, Value.Error);
}

void TSettings::WriteParallelConversions(int32_t Value) {
    MakeFolder();
    FIni.WriteInteger(kParallel.Section, kParallel.Name, Value);
}

void TSettings::WriteLibraryPreferences(const TLibraryPreferences& Value) {
    MakeFolder();
    FIni.WriteBool(kKeepFolders.Section, kKeepFolders.Name, Value.KeepFolders);
    FIni.WriteBool(kCopyCovers.Section, kCopyCovers.Name, Value.CopyCovers);
    FIni.WriteBool(kUpdateOnly.Section, kUpdateOnly.Name, Value.UpdateOnly);
}

void TSettings::WriteNamingPreferences(const TNamingPreferences& Value) {
    MakeFolder();
    FIni.WriteBool(kNameByTags.Section, kNameByTags.Name, Value.NameByTags);
    FIni.WriteString(kNamePattern.Section, kNamePattern.Name, Value.NamePattern);
    FIni.WriteBool(kRemoveGone.Section, kRemoveGone.Name, Value.RemoveGone);
}

void TSettings::WriteOutputFormat(int32_t DestExt, int32_t Bitrate, bool CopyTags) {
    MakeFolder();
    FIni.WriteInteger(kDestExt.Section, kDestExt.Name, DestExt);
    FIni.WriteInteger(kBitrate.Section, kBitrate.Name, Bitrate);
    FIni.WriteBool(kCopyTags.Section, kCopyTags.Name, CopyTags);
}

void TSettings::WriteReplayGain(TGainMode Value) {
    MakeFolder();
    FIni.WriteInteger(kReplayGain.Section, kReplayGain.Name, Value);
}

void TSettings::WriteDeviceOutput(const TDeviceLimits& Limits, bool CopyCompatible) {
    MakeFolder();
    FIni.WriteInteger(kMaxRate.Section, kMaxRate.Name, Limits.MaxRate);
    FIni.WriteInteger(kMaxBits.Section, kMaxBits.Name, Limits.MaxBits);
    FIni.WriteInteger(kChannels.Section, kChannels.Name, Limits.Channels);
    FIni.WriteBool(kCopyCompatible.Section, kCopyCompatible.Name, CopyCompatible);
}

void TSettings::WriteCapBitrate(bool Value) {
    MakeFolder();
    FIni.WriteBool(kCapBitrate.Section, kCapBitrate.Name, Value);
}

TStoredOutputChoice::TStoredOutputChoice(std::string FileName) : FFileName(std::move(FileName)) {}

TOutputChoice TStoredOutputChoice::operator()() const {
    std::error_code Error;
    auto Time = std::filesystem::last_write_time(PathOf(FFileName), Error);
    auto Size = Error ? 0 : std::filesystem::file_size(PathOf(FFileName), Error);
    std::lock_guard Lock(FCache->Mutex);
    if (Error || FCache->Stamp != std::pair(Time, Size)) {
        FCache->Choice = TSettings(FFileName).OutputChoice();
        // Only a stamp that is a while old tells the file has not changed since: a write within
        // the file system's time granularity of this read could keep both time and size. A file
        // that cannot be looked at, or was just written, is read again next time.
        bool Settled =
            !Error && std::filesystem::file_time_type::clock::now() - Time > std::chrono::seconds(2);
        FCache->Stamp.reset();
        if (Settled) FCache->Stamp = std::pair(Time, Size);
    }
    return FCache->Choice;
}

} // namespace deraz
