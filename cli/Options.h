// The command line of deraz-convert.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/Manifest.h"
#include "driver/OutputFormats.h"
#include "driver/OutputNames.h"

namespace deraz {

// A command line that cannot be run; the program ends with status 2.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TCliOptions {
    bool Help = false;
    bool Info = false;
    bool Quiet = false;
    bool Verbose = false; // -v: up-to-date, kept and not-started files listed too
    bool Version = false;
    std::optional<std::string> Levels; // --levels: a format's extension, or "" for every format
    std::optional<int32_t> Format;     // -f, as an index into the format list
    std::optional<std::string> Level;  // -l: an entry's index, bit rate or name
    std::string OutputDir;             // -o
    int32_t Jobs = 0;                  // -j; 0: one per processor
    std::optional<bool> ImaAdpcm;      // --wav-type
    std::optional<uint16_t> BlockSize; // --block-size
    std::optional<bool> CopyTags;      // --copy-tags, --no-copy-tags; else the stored choice
    bool CapBitrate = false;           // --cap-bitrate
    TIfExists IfExists = ieOverwrite;  // --if-exists
    bool Flat = false;                 // --flat: every output straight into -o's folder
    std::optional<bool> Covers;        // --covers, --no-covers; else on for folder inputs not flat
    bool Update = false;               // --update: only inputs newer than their outputs
    TGainMode ReplayGain = gmOff;      // --replaygain
    TGainMode ApplyGain = gmOff;       // --apply-gain
    // Outputs made for a device, and profiles (cli/DeviceOptions.h).
    std::optional<int32_t> MaxRate;         // --max-rate HZ
    std::optional<int32_t> MaxBits;         // --max-bits 16|24
    std::optional<int32_t> MaxChannels;     // --channels 2|1
    bool CopyCompatible = false;            // --copy-compatible
    std::optional<std::string> Profile;     // --profile NAME
    std::optional<std::string> SaveProfile; // --save-profile NAME
    bool Profiles = false;                  // --profiles
    std::optional<std::string> Names;       // --name: outputs named by their tags with this pattern
    bool Mirror = false;                    // --mirror: outputs whose source has gone are removed
    bool DryRun = false;                    // --dry-run: say what would be done, do nothing
    TShard Shard;                           // --shard K/N
    std::vector<std::string> Files;
};

// The two usage lines, and the full help.
extern const char* const UsageText;
extern const char* const HelpText;

// Raises EUsageError for anything it cannot take.
TCliOptions ParseCommandLine(const std::vector<std::string>& Arguments);

// The format and level to convert to: those given, else the stored ones (a stored level is kept
// only with the stored format, and only when it is in the list), with the tag and bit rate
// options. Raises EUsageError when a level given is not in the format's list, or an option given
// has no effect with the format.
TOutputChoice ResolveOutputChoice(const TCliOptions& Options, const TOutputChoice& Stored);

// The entry of format DestExt's list that Text names: "#N" entry N, "192k" or "192kbps" the entry of
// that bit rate, a bare number the entry of that index or of that bit rate, or its name or the
// unique start of it, in any case ("insane", "extra high"). Raises EUsageError when none or several
// entries match, a bare number included that is an index and another entry's bit rate.
int32_t FindLevel(int32_t DestExt, const std::string& Text);

// The --levels listing of one format, or of every format for an empty Extension.
std::string LevelsText(const std::string& Extension);

} // namespace deraz
