#include "platform/Paths.h"

namespace deraz {

std::filesystem::path SettingsFilePath(const char* FileName) {
    auto Beside = ExecutableDirectory() / FileName;
    return CanWriteFile(Beside) ? Beside : UserConfigDirectory() / FileName;
}

} // namespace deraz
