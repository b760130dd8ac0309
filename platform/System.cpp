#include "platform/System.h"

#include <filesystem>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace deraz {

namespace fs = std::filesystem;

bool SameFile(const std::string& A, const std::string& B) {
    const fs::path PathA = fs::u8path(A), PathB = fs::u8path(B);
    std::error_code Error;
    // Without an error at least one of them exists, and the identities of the files decide.
    bool Same = fs::equivalent(PathA, PathB, Error);
    if (!Error) return Same;
    std::error_code ErrorA, ErrorB;
    auto CanonicalA = fs::weakly_canonical(PathA, ErrorA);
    auto CanonicalB = fs::weakly_canonical(PathB, ErrorB);
    return !ErrorA && !ErrorB && CanonicalA == CanonicalB;
}

int64_t ProcessId() {
#ifdef _WIN32
    return int64_t(::_getpid());
#else
    return int64_t(::getpid());
#endif
}

} // namespace deraz
