#include "driver/InputFiles.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "driver/FileNames.h"
#include "driver/Manifest.h"
#include "driver/MediaBinEntry.h"
#include "driver/OutputFiles.h"
#include "platform/Paths.h"

namespace deraz {

namespace {

namespace fs = std::filesystem;

std::string FullName(const std::string& Name) {
    std::string Path = NameOf(fs::absolute(PathOf(Name)).lexically_normal());
    // "dir/." normalises to "dir/"; the folder is kept without the trailing slash.
    if (Path.ends_with('/') && Path.size() > 1) Path.pop_back();
    return Path;
}

fs::path Canonical(const fs::path& Path) {
    std::error_code Error;
    fs::path Result = fs::weakly_canonical(Path, Error);
    return Error ? Path : Result;
}

// The deepest folder that holds every one of Folders (full, normalised paths).
fs::path CommonFolder(const std::vector<std::string>& Folders) {
    fs::path Common = PathOf(Folders.front());
    for (const auto& Folder : Folders) {
        const fs::path Other = PathOf(Folder);
        fs::path Shared;
        for (auto A = Common.begin(), B = Other.begin(); A != Common.end() && B != Other.end() && *A == *B;
             ++A, ++B)
            Shared /= *A;
        Common = Shared;
    }
    return Common;
}

class TFolderWalk {
public:
    TFolderWalk(const std::string& OutputDir, TWalkReport& Report) : FOutputDir(OutputDir), FReport(Report) {}

    // Whether Path names a file or folder met before; counts it when it does.
    bool Repeated(const fs::path& Path, std::set<fs::path>& Seen) {
        if (Seen.insert(Canonical(Path)).second) return false;
        ++FReport.Repeated;
        return true;
    }
    bool FileRepeated(const fs::path& Path) { return Repeated(Path, FFiles); }
    bool FolderRepeated(const fs::path& Path) { return Repeated(Path, FFolders); }

    // The convertible files below Folder, which has been marked as walked.
    void Walk(const fs::path& Folder, std::vector<fs::path>& Found) {
        std::vector<fs::directory_entry> Entries;
        std::error_code Error;
        // Unreadable subfolders are passed over rather than ending the walk.
        for (fs::directory_iterator Entry(Folder, fs::directory_options::skip_permission_denied, Error), End;
             !Error && Entry != End; Entry.increment(Error))
            Entries.push_back(*Entry);
        // Real folders before linked ones, so that a file is found under its own path first.
        std::sort(Entries.begin(), Entries.end());
        std::stable_partition(Entries.begin(), Entries.end(), [](const fs::directory_entry& Entry) {
            std::error_code LinkError;
            return !Entry.is_symlink(LinkError);
        });
        for (const auto& Entry : Entries) Take(Entry, Found);
    }

private:
    void Take(const fs::directory_entry& Entry, std::vector<fs::path>& Found) {
        std::error_code Error;
        const std::string Name = NameOf(Entry.path().filename());
        if (Entry.is_directory(Error)) {
            if (Name.starts_with('.')) {
                ++FReport.Hidden;
            } else if (IsOutputFolder(Entry.path())) {
                ++FReport.OutputFolders;
            } else if (!FFolders.insert(Canonical(Entry.path())).second) {
                // A link back into the walk, or to a folder walked already.
                ++(Entry.is_symlink(Error) ? FReport.LinkedTwice : FReport.Repeated);
            } else {
                Walk(Entry.path(), Found);
            }
            return;
        }
        // Other files (pictures, our own temporary files) are not inputs and not counted.
        if (!Entry.is_regular_file(Error) || !IsSupportedInput(Name)) return;
        if (Name.starts_with("._"))
            ++FReport.AppleDouble;
        else if (Name.starts_with('.'))
            ++FReport.Hidden;
        else if (!FileRepeated(Entry.path()))
            Found.push_back(Entry.path());
    }

    bool IsOutputFolder(const fs::path& Folder) const {
        std::error_code Error;
        if (!FOutputDir.empty() && fs::equivalent(Folder, PathOf(FOutputDir), Error)) return true;
        return fs::exists(Folder / OutputManifestName, Error);
    }

    std::string FOutputDir;
    TWalkReport& FReport;
    std::set<fs::path> FFiles, FFolders;
};

std::string Counted(int32_t Count, const std::string& One, const std::string& Several) {
    return std::to_string(Count) + " " + (Count == 1 ? One : Several);
}

} // namespace

std::string TWalkReport::Text() const {
    std::vector<std::string> Parts;
    if (AppleDouble)
        Parts.push_back(Counted(AppleDouble, "AppleDouble file (._*)", "AppleDouble files (._*)"));
    if (Hidden) Parts.push_back(Counted(Hidden, "hidden file or folder", "hidden files or folders"));
    if (OutputFolders) Parts.push_back(Counted(OutputFolders, "output folder", "output folders"));
    if (Repeated) Parts.push_back(Counted(Repeated, "input given twice", "inputs given twice"));
    if (LinkedTwice)
        Parts.push_back(
            Counted(LinkedTwice, "link to a folder already walked", "links to folders already walked"));
    std::string Text;
    for (const auto& Part : Parts) Text += (Text.empty() ? "" : ", ") + Part;
    return Text;
}

std::vector<TInputFile> ExpandInputs(const std::vector<std::string>& Arguments, const std::string& OutputDir,
                                     TWalkReport* Report) {
    TWalkReport Unused;
    TFolderWalk Walk(OutputDir, Report ? *Report : Unused);
    std::vector<std::string> Paths, Folders;
    for (const auto& Argument : Arguments) {
        Paths.push_back(FullName(Argument));
        if (fs::is_directory(PathOf(Paths.back()))) Folders.push_back(Paths.back());
    }
    const fs::path Root = Folders.empty() ? fs::path() : CommonFolder(Folders);
    std::vector<TInputFile> Inputs;
    for (const auto& Path : Paths) {
        if (!fs::is_directory(PathOf(Path))) {
            if (!Walk.FileRepeated(PathOf(Path))) Inputs.push_back({Path, {}, ExtractFileName(Path)});
            continue;
        }
        if (Walk.FolderRepeated(PathOf(Path))) continue;
        std::vector<fs::path> Found;
        Walk.Walk(PathOf(Path), Found);
        std::sort(Found.begin(), Found.end());
        for (const auto& File : Found)
            Inputs.push_back({NameOf(File.lexically_normal()), Path, NameOf(File.lexically_relative(Root))});
        // A folder with nothing to convert stays an input of its own, which then fails with its
        // reason instead of vanishing from the batch.
        if (Found.empty()) Inputs.push_back({Path, {}, ExtractFileName(Path)});
    }
    return Inputs;
}

} // namespace deraz
