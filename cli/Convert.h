// The conversion of deraz-convert: several drivers over one shared queue of files.
#pragma once

#include "cli/Options.h"

namespace deraz {

// Converts Options.Files; returns the exit status (0 all converted, 1 any failed or skipped).
// Raises EUsageError for a command line that cannot be run.
int RunConversion(const TCliOptions& Options);

} // namespace deraz
