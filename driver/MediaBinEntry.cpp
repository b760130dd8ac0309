#include "driver/MediaBinEntry.h"

#include "driver/FileNames.h"
#include "driver/OutputFormats.h"

namespace deraz {

TMediaBinRow MakeMediaBinRow(TMediaAnalysers& Analysers, const std::string& FileName, int32_t DestExt) {
    return {FileName, ChangeFileExt(FileName, OutputExtension(DestExt)), SizeText(FileName),
            FileExtension(FileName), BitrateText(Analysers, FileName)};
}

bool IsSupportedInput(const std::string& FileName) {
    return FindInputFormat(FileExtension(FileName)) != nullptr;
}

} // namespace deraz
