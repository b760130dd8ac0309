#include "app/OutputFiles.h"

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
