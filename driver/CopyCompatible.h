// Copying instead of transcoding: an input that is already in the output format and needs no
// change is copied byte for byte, which loses nothing and takes a moment.
#pragma once

#include <string>

#include "driver/DeviceOutput.h"
#include "driver/OutputFormats.h"

namespace deraz {

// Whether an input (extension InputExt, PCM format Format, lossy bit rate InputKbps, 0 for
// lossless) can be copied for Choice: the input's format is the output's, a lossy input is at or
// below the chosen bit rate, no device limit applies, and no gain is to be applied or measured.
// WAV is always rewritten: its writer decides the layout of the file.
bool CanCopyUnchanged(const TOutputChoice& Choice, const std::string& InputExt, const TPcmFormat& Format,
                      int32_t InputKbps);

// Copies InputName into TemporaryName byte for byte; raises with the system's reason.
void CopyUnchanged(const std::string& InputName, const std::string& TemporaryName);

} // namespace deraz
