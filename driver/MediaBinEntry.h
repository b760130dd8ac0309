// What one media bin entry shows, and which dropped names the media bin takes, without any user
// interface, so the desktop program and the command line agree.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/MediaInfo.h"

namespace deraz {

// The five columns of an entry: input name, output name, size text, type text, bit rate text.
struct TMediaBinRow {
    std::string InputName, OutputName, Size, Type, Bitrate;
};

// The entry for FileName (a full path) when the stored output format is DestExt: the output beside
// the input with that format's extension (none for a value outside the list).
TMediaBinRow MakeMediaBinRow(TMediaAnalysers& Analysers, const std::string& FileName, int32_t DestExt);

// Whether the extension of FileName, in any case, is one a format of the format table is read from.
bool IsSupportedInput(const std::string& FileName);

} // namespace deraz
