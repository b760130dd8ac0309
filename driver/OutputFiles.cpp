#include "driver/OutputFiles.h"

#include <atomic>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/Paths.h"

namespace deraz {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view TemporaryPrefix = ".deraz-";
constexpr std::string_view TemporarySuffix = ".part";

// The process id in a name of TemporaryOutputName's pattern (".deraz-PID-N.part", both numbers
// decimal), or -1 for any other name.
int64_t TemporaryOwner(std::string_view Name) {
    if (!Name.starts_with(TemporaryPrefix) || !Name.ends_with(TemporarySuffix)) return -1;
    Name.remove_prefix(TemporaryPrefix.size());
    Name.remove_suffix(TemporarySuffix.size());
    int64_t Pid = -1;
    uint64_t Counter = 0;
    auto [PidEnd, PidError] = std::from_chars(Name.data(), Name.data() + Name.size(), Pid);
    if (PidError != std::errc() || PidEnd == Name.data() + Name.size() || *PidEnd != '-' || Pid <= 0)
        return -1;
    const char* CounterStart = PidEnd + 1;
    auto [End, Error] = std::from_chars(CounterStart, Name.data() + Name.size(), Counter);
    if (Error != std::errc() || End == CounterStart || End != Name.data() + Name.size()) return -1;
    return Pid;
}

} // namespace

std::string TemporaryOutputName(const std::string& FinalName) {
    static std::atomic<unsigned> Counter{0};
    // A short name of its own, so that any final name the file system allows leaves room for it.
    std::string Name = std::string(TemporaryPrefix) + std::to_string(ProcessId()) + "-" +
                       std::to_string(Counter++) + std::string(TemporarySuffix);
    return NameOf(PathOf(FinalName).parent_path() / Name);
}

int32_t RemoveStaleTemporaries(const std::string& Folder) {
    int32_t Removed = 0;
    std::error_code Error;
    for (fs::directory_iterator Entry(PathOf(Folder), Error), End; !Error && Entry != End;
         Entry.increment(Error)) {
        int64_t Owner = TemporaryOwner(NameOf(Entry->path().filename()));
        std::error_code EntryError;
        if (Owner < 0 || Owner == ProcessId() || ProcessRunning(Owner) ||
            !Entry->is_regular_file(EntryError) || Entry->is_symlink(EntryError))
            continue;
        if (fs::remove(Entry->path(), EntryError)) ++Removed;
    }
    return Removed;
}

void RequireWritableFolder(const std::string& Folder) {
    std::string Probe = TemporaryOutputName(NameOf(PathOf(Folder) / "probe"));
    bool Written = static_cast<bool>(std::ofstream(PathOf(Probe), std::ios::binary));
    DiscardOutput(Probe);
    if (!Written) throw std::runtime_error("Cannot write into the output folder " + Folder + ".");
}

void RequireRegularFile(const std::string& InputName) {
    std::error_code Error;
    fs::file_type Type = fs::status(PathOf(InputName), Error).type();
    // A missing file is left to the source, whose message names the system's reason.
    if (Type == fs::file_type::not_found || Type == fs::file_type::regular) return;
    if (Type == fs::file_type::directory)
        throw std::runtime_error("Cannot open " + InputName + ": it is a folder, not a file.");
    throw std::runtime_error("Cannot open " + InputName + ": it is not a regular file (a device or a pipe).");
}

bool OutputUpToDate(const std::string& InputName, const std::string& OutputName) {
    std::error_code InputError, OutputError;
    if (!fs::is_regular_file(PathOf(OutputName), OutputError)) return false;
    auto InputTime = fs::last_write_time(PathOf(InputName), InputError);
    auto OutputTime = fs::last_write_time(PathOf(OutputName), OutputError);
    return !InputError && !OutputError && OutputTime >= InputTime;
}

void MakeOutputFolder(const std::string& FinalName) {
    fs::path Folder = PathOf(FinalName).parent_path();
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
    fs::rename(PathOf(TemporaryName), PathOf(FinalName), Error);
    if (Error) {
        DiscardOutput(TemporaryName);
        throw std::runtime_error("Cannot write " + FinalName + ": " + Error.message());
    }
}

void DiscardOutput(const std::string& TemporaryName) {
    std::error_code Error;
    fs::remove(PathOf(TemporaryName), Error);
}

} // namespace deraz
