#include "codecs/ape/MACLibrary.h"

#include <filesystem>

namespace deraz {

namespace {

// The library's path in the folder of the running executable; the plain name when that folder
// is unknown.
std::string BesideExecutable(const char* FileName) {
    std::error_code Error;
    auto Executable = std::filesystem::read_symlink("/proc/self/exe", Error);
    if (Error) return FileName;
    return (Executable.parent_path() / FileName).string();
}

} // namespace

const TCodecBinding<TMACApi>& MACLibrary() {
    static const TCodecBinding<TMACApi> Beside(BesideExecutable(CodecLibraryFileName(TCodecLibraryId::MAC)));
    if (Beside.Loaded()) return Beside;
    // Named plainly, so that its not-loaded message carries the plain file name.
    static const TCodecBinding<TMACApi> Default(TCodecLibraryId::MAC);
    return Default;
}

} // namespace deraz
