#include <unistd.h>

#include <cstdlib>

#include "platform/Paths.h"

namespace deraz {

namespace fs = std::filesystem;

fs::path ExecutableDirectory() {
    std::error_code Error;
    auto Path = fs::read_symlink("/proc/self/exe", Error);
    return Error ? fs::current_path() : Path.parent_path();
}

fs::path UserConfigDirectory() {
    // The XDG base directory rules ignore a relative $XDG_CONFIG_HOME.
    const char* ConfigHome = std::getenv("XDG_CONFIG_HOME");
    if (ConfigHome && fs::path(ConfigHome).is_absolute()) return fs::path(ConfigHome) / "deraz";
    const char* Home = std::getenv("HOME");
    return fs::path(Home && *Home ? Home : "/") / ".config" / "deraz";
}

bool CanWriteFile(const fs::path& File) {
    std::error_code Error;
    if (fs::exists(File, Error)) return access(File.c_str(), W_OK) == 0;
    return access(File.parent_path().c_str(), W_OK | X_OK) == 0;
}

} // namespace deraz
