#include "platform/System.h"

#include <unistd.h>

namespace deraz {

namespace fs = std::filesystem;

bool SameFile(const std::string& A, const std::string& B) {
    const fs::path PathA = fs::u8path(A), PathB = fs::u8path(B);
    std::error_code Error;
    if (fs::equivalent(PathA, PathB, Error)) return true;
    std::error_code ErrorA, ErrorB;
    auto CanonicalA = fs::weakly_canonical(PathA, ErrorA);
    auto CanonicalB = fs::weakly_canonical(PathB, ErrorB);
    return !ErrorA && !ErrorB && CanonicalA == CanonicalB;
}

fs::path ExecutableDirectory() {
    std::error_code Error;
    auto Path = fs::read_symlink("/proc/self/exe", Error);
    return Error ? fs::current_path() : Path.parent_path();
}

int64_t ProcessId() {
    return int64_t(::getpid());
}

} // namespace deraz
