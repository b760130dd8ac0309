#include "driver/InputFiles.h"

#include <algorithm>
#include <filesystem>

#include "driver/FileNames.h"
#include "driver/MediaBinEntry.h"

namespace deraz {

namespace {

namespace fs = std::filesystem;

std::string FullName(const std::string& Name) {
    return fs::absolute(Name).lexically_normal().string();
}

// Adds the convertible files below Folder, passing over OutputDir; false when there is none.
bool AddFolder(const std::string& Folder, const std::string& OutputDir, std::vector<TInputFile>& Inputs) {
    std::vector<fs::path> Found;
    std::error_code Error;
    // Unreadable subfolders are passed over rather than ending the walk.
    fs::recursive_directory_iterator Walk(Folder, fs::directory_options::skip_permission_denied, Error);
    for (; !Error && Walk != fs::recursive_directory_iterator(); Walk.increment(Error)) {
        std::error_code EntryError;
        if (Walk->is_directory(EntryError) && !OutputDir.empty() &&
            fs::equivalent(Walk->path(), OutputDir, EntryError))
            Walk.disable_recursion_pending();
        else if (Walk->is_regular_file(EntryError) && IsSupportedInput(Walk->path().string()))
            Found.push_back(Walk->path());
    }
    std::sort(Found.begin(), Found.end());
    for (const auto& Path : Found)
        Inputs.push_back(
            {Path.lexically_normal().string(), Folder, Path.lexically_relative(Folder).string()});
    return !Found.empty();
}

} // namespace

std::vector<TInputFile> ExpandInputs(const std::vector<std::string>& Arguments,
                                     const std::string& OutputDir) {
    std::vector<TInputFile> Inputs;
    for (const auto& Argument : Arguments) {
        std::string Path = FullName(Argument);
        // "dir/." normalises to "dir/"; the folder is kept without the trailing slash.
        if (Path.ends_with('/') && Path.size() > 1) Path.pop_back();
        // A folder with nothing to convert stays an input of its own, which then fails with its
        // reason instead of vanishing from the batch.
        if (!fs::is_directory(Path) || !AddFolder(Path, OutputDir, Inputs))
            Inputs.push_back({Path, {}, ExtractFileName(Path)});
    }
    return Inputs;
}

} // namespace deraz
