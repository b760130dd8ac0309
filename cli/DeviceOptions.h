// The options of deraz-convert for outputs made for a device (--max-rate, --max-bits, --channels,
// --copy-compatible) and for profiles (--profile, --save-profile, --profiles).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "cli/Options.h"
#include "driver/Settings.h"

namespace deraz {

// Takes Argument into Options when it is one of these options, Value giving its value; false for
// any other argument. Raises EUsageError for a value it cannot take.
bool ParseDeviceOption(const std::string& Argument, const std::function<std::string()>& Value,
                       TCliOptions& Options);

// Completes Choice, resolved from the options and Stored (the profile's choice with --profile),
// with the device limits, copying and, from a profile, the bit-rate cap and ReplayGain that the
// command line does not override. Raises EUsageError for a limit that has no effect with the
// format.
void ApplyDeviceOptions(const TCliOptions& Options, const TOutputChoice& Stored, TOutputChoice& Choice);

// The choice the options start from: profile --profile, or the stored one. Raises EUsageError
// for a profile that is missing or cannot be used.
TOutputChoice StartingChoice(const TCliOptions& Options, const TSettings& Settings);
// Whether to copy cover pictures when the command line does not say: the profile's preference.
std::optional<bool> CoversFor(const TCliOptions& Options, const TSettings& Settings);

// "--profiles": a line per profile with what it makes, or why it cannot be used.
std::string ProfilesText(const TSettings& Settings);

} // namespace deraz
