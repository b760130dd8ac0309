#include "driver/OutputFiles.h"

#include <atomic>
#include <filesystem>
#include <stdexcept>

namespace deraz {

namespace fs = std::filesystem;

std::string TemporaryOutputName(const std::string& FinalName) {
    static std::atomic<unsigned> Counter{0};
    return FinalName + "." + std::to_string(ProcessId()) + "-" + std::to_string(Counter++) + ".part";
}

void RequireRegularFile(const std::string& InputName) {
    std::error_code Error;
    fs::file_type Type = fs::status(InputName, Error).type();
    // A missing file is left to the source, whose message names the system's reason.
    if (Type == fs::file_type::not_found || Type == fs::file_type::regular) return;
    if (Type == fs::file_type::directory)
        throw std::runtime_error("Cannot open " + InputName + ": it is a folder, not a file.");
    throw std::runtime_error("Cannot open " + InputName + ": it is not a regular file (a device or a pipe).");
}

bool OutputUpToDate(const std::string& InputName, const std::string& OutputName) {
    std::error_code InputError, OutputError;
    if (!fs::is_regular_file(OutputName, OutputError)) return false;
    auto InputTime = fs::last_write_time(InputName, InputError);
    auto OutputTime = fs::last_write_time(OutputName, OutputError);
    return !InputError && !OutputError && OutputTime >= InputTime;
}

void MakeOutputFolder(const std::string& FinalName) {
    fs::path Folder = fs::path(FinalName).parent_path();
    std::error_code Error;
    if (Folder.empty() || fs::is_directory(Folder, Error)) return;
    fs::create_directories(Folder, Error);
    // Another job may have made it meanwhile; only a folder that is still missing is an error.
    if (!fs::is_directory(Folder))
        throw std::runtime_error("Cannot write " + FinalName + ": its folder cannot be made (" +
                                 (Error ? Error.message() : "a file is in the way") + ")");
}

void CommitOutput(const std::string& TemporaryName, const std::string& FinalName) {
    std::error_code Error;
    fs::rename(TemporaryName, FinalName, Error);
    if (Error) {
        DiscardOutput(TemporaryName);
        throw std::runtime_error("Cannot write " + FinalName + ": " + Error.message());
    }
}

void DiscardOutput(const std::string& TemporaryName) {
    std::error_code Error;
    fs::remove(TemporaryName, Error);
}

} // namespace deraz
