#include "driver/FileNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "platform/Paths.h"

namespace deraz {

namespace {

// Where the extension starts, or npos.
size_t ExtensionStart(const std::string& FileName) {
    size_t Dot = FileName.find_last_of(std::string(".") + PathDelimiters);
    return Dot != std::string::npos && FileName[Dot] == '.' ? Dot : std::string::npos;
}

// Whether a relative path names something below the folder it is relative to.
bool StaysInside(const std::string& RelativePath) {
    if (RelativePath.empty() || PathOf(RelativePath).has_root_path()) return false;
    for (size_t Start = 0; Start <= RelativePath.size();) {
        size_t End = std::min(RelativePath.find_first_of(PathDelimiters, Start), RelativePath.size());
        if (RelativePath.compare(Start, End - Start, "..") == 0) return false;
        Start = End + 1;
    }
    return true;
}

} // namespace

std::string LowerCase(std::string Text) {
    std::transform(Text.begin(), Text.end(), Text.begin(),
                   [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
    return Text;
}

std::string ExtractFileExt(const std::string& FileName) {
    size_t Start = ExtensionStart(FileName);
    return Start == std::string::npos ? std::string() : FileName.substr(Start);
}

std::string ExtractFileName(const std::string& FileName) {
    size_t Slash = FileName.find_last_of(PathDelimiters);
    return Slash == std::string::npos ? FileName : FileName.substr(Slash + 1);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
    return FileName.substr(0, ExtensionStart(FileName)) + Extension;
}

std::string OutputFileName(const std::string& InputName, const std::string& Extension,
                           const std::string& OutputDir, const std::string& RelativePath) {
    std::string Name = ChangeFileExt(InputName, Extension);
    if (OutputDir.empty()) return Name;
    bool Ended = std::string_view(PathDelimiters).find(OutputDir.back()) != std::string_view::npos;
    std::string Dir = Ended ? OutputDir : OutputDir + PathDelimiter;
    if (StaysInside(RelativePath)) return Dir + ChangeFileExt(RelativePath, Extension);
    return Dir + ExtractFileName(Name);
}

} // namespace deraz
