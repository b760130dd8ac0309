#include "driver/Settings.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

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
constexpr TKey kDestExt{"Output", "DestExt"};
constexpr TKey kBitrate{"Output", "Bitrate"};
constexpr TKey kCopyTags{"Output", "CopyTags"};
constexpr TKey kCapBitrate{"Output", "CapBitrate"};

constexpr int32_t DefaultDestExt = 0;
constexpr int32_t DefaultBitrate = 5;
constexpr int32_t MaxParallelConversions = 64;

int32_t ProcessorCount() {
    return int32_t(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned(MaxParallelConversions)));
}

} // namespace

std::string DefaultSettingsFileName() {
    return SettingsFilePath("Varidir.ini").string();
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

int32_t TSettings::DestExt() const {
    return FIni.ReadInteger(kDestExt.Section, kDestExt.Name, DefaultDestExt);
}
int32_t TSettings::Bitrate() const {
    return FIni.ReadInteger(kBitrate.Section, kBitrate.Name, DefaultBitrate);
}
bool TSettings::CopyTags() const {
    return FIni.ReadBool(kCopyTags.Section, kCopyTags.Name, true);
}

bool TSettings::CapBitrate() const {
    return FIni.ReadBool(kCapBitrate.Section, kCapBitrate.Name, false);
}

TGainMode TSettings::ReplayGain() const {
    int32_t Value = FIni.ReadInteger(kReplayGain.Section, kReplayGain.Name, gmOff);
    return Value == gmTrack || Value == gmAlbum ? TGainMode(Value) : gmOff;
}

TOutputChoice TSettings::OutputChoice() const {
    TOutputChoice Choice{DestExt(), Bitrate(), CopyTags(), CapBitrate()};
    Choice.ReplayGain = ReplayGain();
    return Choice;
}

// The user's settings folder may not exist before the first write; when it cannot be made, the
// write that follows fails with the file's name.
void TSettings::MakeFolder() const {
    std::error_code Ignored;
    std::filesystem::create_directories(std::filesystem::path(FileName()).parent_path(), Ignored);
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

void TSettings::WriteCapBitrate(bool Value) {
    MakeFolder();
    FIni.WriteBool(kCapBitrate.Section, kCapBitrate.Name, Value);
}

TStoredOutputChoice::TStoredOutputChoice(std::string FileName) : FFileName(std::move(FileName)) {}

TOutputChoice TStoredOutputChoice::operator()() const {
    std::error_code Error;
    auto Time = std::filesystem::last_write_time(FFileName, Error);
    auto Size = Error ? 0 : std::filesystem::file_size(FFileName, Error);
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
