// The program's settings: keys in "Varidir.ini". Nothing is kept in
// memory: every query reads the file at that moment, every change writes its keys at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/OutputFormats.h"
#include "platform/IniFile.h"

namespace deraz {

// The settings file's full name: "Varidir.ini" beside the executable when it can be written there,
// otherwise in the user's settings folder (platform/Paths.h).
std::string DefaultSettingsFileName();

// What the preferences dialog stores.
struct TPreferences {
    bool Minimode = false;
    bool Notify = false;
    bool AutoMinimode = false;
    bool UseSound = false;
    std::string Done;  // WAV file played when a batch ends
    std::string Error; // WAV file meant for conversion errors
};

// How a batch treats a converted library, also in section "General".
struct TLibraryPreferences {
    bool KeepFolders = true; // an added folder's files keep their folders under the output directory
    bool CopyCovers = true;  // cover pictures beside the inputs go to their outputs' folders
    bool UpdateOnly = false; // only files that are new or changed since their output was written
};

// How the outputs in an output directory are named and kept in step, also in section "General".
struct TNamingPreferences {
    bool NameByTags = false; // outputs named by NamePattern from their tags
    std::string NamePattern = "{albumartist}/{album}/{track:02} - {title}";
    bool RemoveGone = false; // outputs whose source has gone are removed, after asking
};

// A profile that does not exist or cannot be used in this build, with the reason.
class EProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSettings {
public:
    explicit TSettings(const std::string& FileName = DefaultSettingsFileName());

    const std::string& FileName() const { return FIni.FileName(); }

    TPreferences Preferences() const;
    bool AutoMinimode() const;
    bool UseSound() const;
    std::string DoneSound() const;
    // How many files the desktop batch converts at once: 1 to 64, by default one per processor.
    int32_t ParallelConversions() const;
    // "KeepFolders", "CopyCovers" and "UpdateOnly".
    TLibraryPreferences LibraryPreferences() const;
    // "NameByTags", "NamePattern" and "RemoveGone".
    TNamingPreferences NamingPreferences() const;

    // Index into the output format list (0 ".ogg" ... 5 ".wav").
    int32_t DestExt() const;
    // Index into that format's bit rate or level list.
    int32_t Bitrate() const;
    // "Output"/"CopyTags": the input's tags and cover picture go to the output. Default true.
    bool CopyTags() const;
    // "Output"/"CapBitrate": an MP3 or Ogg Vorbis output of a lossy input keeps no more than the
    // input's bit rate. Default false.
    bool CapBitrate() const;
    // "General"/"ReplayGain": 0 no ReplayGain tags, 1 track values, 2 track and album values;
    // anything else reads as 0.
    TGainMode ReplayGain() const;
    // "Output"/"MaxRate", "MaxBits" and "Channels" (0: keep the input's; anything out of range
    // reads as 0) and "CopyCompatible" (default false).
    TDeviceLimits DeviceLimits() const;
    bool CopyCompatible() const;
    // The output keys and the ReplayGain key together, as the driver applies them.
    TOutputChoice OutputChoice() const;

    // Profiles: named output choices, one section "[Profile NAME]" each, holding the keys of the
    // choice under their own names ("DestExt", "Bitrate", "MaxRate", ...) and "Extension", the
    // format's extension, by which a profile finds its format in any build.
    std::vector<std::string> ProfileNames() const;
    // Raises EProfileError when there is no such profile or this build lacks its format.
    TOutputChoice ProfileChoice(const std::string& Name) const;
    // The profile's "CopyCovers"; true when it has none.
    bool ProfileCopyCovers(const std::string& Name) const;
    // Stores Choice and the cover preference as profile Name, replacing the keys of one of that
    // name. Raises EProfileError for an empty name or one with "[", "]" or a line break.
    void WriteProfile(const std::string& Name, const TOutputChoice& Choice, bool CopyCovers);
    // The stored choice as profile Name: every key of "Output" (options added later included) and
    // the cover and ReplayGain preferences.
    void SaveCurrentAsProfile(const std::string& Name);
    // Makes profile Name the stored choice: each of its keys goes back where it came from.
    // Raises like ProfileChoice, before anything is written.
    void ApplyProfile(const std::string& Name);

    // Writes make the file's folder when it is missing.
    // The six preference keys, in this order; a refused write raises EIniFileException and keeps
    // the keys written before it.
    void WritePreferences(const TPreferences& Value);
    void WriteParallelConversions(int32_t Value);
    void WriteLibraryPreferences(const TLibraryPreferences& Value);
    void WriteNamingPreferences(const TNamingPreferences& Value);
    // "DestExt", "Bitrate" and "CopyTags", in this order.
    void WriteOutputFormat(int32_t DestExt, int32_t Bitrate, bool CopyTags);
    void WriteCapBitrate(bool Value);
    void WriteReplayGain(TGainMode Value);
    void WriteDeviceOutput(const TDeviceLimits& Limits, bool CopyCompatible);

private:
    void MakeFolder() const;

    TIniFile FIni;
};

// The stored output choice as a batch reads it when each entry starts: the file is read again only
// when its time or size has changed since the last read, so a long batch of short files does not
// parse it four times per file. Copies share one cache; safe from any thread.
class TStoredOutputChoice {
public:
    explicit TStoredOutputChoice(std::string FileName);
    TOutputChoice operator()() const;

private:
    struct TCache {
        std::mutex Mutex;
        std::optional<std::pair<std::filesystem::file_time_type, uintmax_t>> Stamp;
        TOutputChoice Choice;
    };
    std::string FFileName;
    std::shared_ptr<TCache> FCache = std::make_shared<TCache>();
};

} // namespace deraz
