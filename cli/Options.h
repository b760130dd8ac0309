// The command line of deraz-convert.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/OutputFormats.h"

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
    std::optional<int32_t> Format; // -f, as an index into the format list
    std::optional<int32_t> Level;  // -l
    std::string OutputDir;         // -o
    int32_t Jobs = 0;              // -j; 0: one per processor
    bool ImaAdpcm = false;         // --wav-type ima
    uint16_t BlockSize = 512;
    std::vector<std::string> Files;
};

// The two usage lines, and the full help.
extern const char* const UsageText;
extern const char* const HelpText;

// Raises EUsageError for anything it cannot take.
TCliOptions ParseCommandLine(const std::vector<std::string>& Arguments);

// The format and level to convert to: those given, else the stored ones (a stored level is kept
// only with the stored format, and only when it is in the list); raises EUsageError when a level
// given is not in the format's list.
TOutputChoice ResolveOutputChoice(const TCliOptions& Options, const TOutputChoice& Stored);

} // namespace deraz
