#include "app/MediaBinEntry.h"

#include <algorithm>
#include <filesystem>

#include "app/FileNames.h"
#include "app/OutputFormats.h"

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

std::vector<std::string> SupportedFilesIn(const std::string& Folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> Files;
    std::error_code Error;
    fs::recursive_directory_iterator It(fs::u8path(Folder), fs::directory_options::skip_permission_denied,
                                        Error);
    for (; !Error && It != fs::recursive_directory_iterator(); It.increment(Error)) {
        std::error_code TypeError;
        if (!It->is_regular_file(TypeError)) continue;
        std::string Name = It->path().string();
        if (IsSupportedInput(Name)) Files.push_back(std::move(Name));
    }
    std::sort(Files.begin(), Files.end());
    return Files;
}

} // namespace deraz
