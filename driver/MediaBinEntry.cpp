#include "driver/MediaBinEntry.h"

#include <algorithm>

#include "driver/FileNames.h"
#include "driver/OutputFormats.h"

namespace deraz {

TMediaBinRow MakeMediaBinRow(TMediaAnalysers& Analysers, const std::string& FileName, int32_t DestExt) {
    return {FileName, ChangeFileExt(FileName, OutputExtension(DestExt)), SizeText(FileName),
            FileExtension(FileName), BitrateText(Analysers, FileName)};
}

bool IsSupportedInput(const std::string& FileName) {
    static const char* const Supported[] = {".mp3", ".wav", ".fla", ".flac", ".ogg", ".ape"};
    std::string Extension = LowerCaseExtension(FileName);
    return std::find(std::begin(Supported), std::end(Supported), Extension) != std::end(Supported);
}

} // namespace deraz
