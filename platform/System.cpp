#include "platform/System.h"

#include <cerrno>
#include <filesystem>
#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <csignal>
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

bool ProcessRunning(int64_t Pid) {
    if (Pid <= 0) return true;
#ifdef _WIN32
    HANDLE Process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(Pid));
    if (Process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD Code = 0;
    bool Running = !::GetExitCodeProcess(Process, &Code) || Code == STILL_ACTIVE;
    ::CloseHandle(Process);
    return Running;
#else
    // Only "no such process" tells that it is gone; a process of another user answers EPERM.
    return ::kill(pid_t(Pid), 0) == 0 || errno != ESRCH;
#endif
}

} // namespace deraz
