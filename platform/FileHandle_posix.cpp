#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileHandle.h"

namespace deraz {

namespace {

int OpenFlags(TFileAccess Access) {
    constexpr int Flags[] = {O_RDONLY, O_WRONLY, O_RDWR}; // in the order of TFileAccess
    return Flags[static_cast<int>(Access)];
}

// Repeats a call that a signal interrupted.
template <class Call> int64_t Retried(Call Transfer) {
    for (;;) {
        auto Result = Transfer();
        if (Result >= 0 || errno != EINTR) return Result;
    }
}

} // namespace

int OpenFileHandle(const std::string& FileName, TFileAccess Access) {
    int Handle = ::open(FileName.c_str(), OpenFlags(Access) | O_CLOEXEC);
    struct stat Info {};
    if (Handle >= 0 && ::fstat(Handle, &Info) == 0 && S_ISDIR(Info.st_mode)) {
        ::close(Handle);
        errno = EISDIR;
        return -1;
    }
    return Handle;
}

int CreateFileHandle(const std::string& FileName) {
    return ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

void CloseFileHandle(int Handle) {
    ::close(Handle);
}

int64_t ReadFileAt(int Handle, void* Buffer, size_t Count, int64_t Position) {
    return Retried([&] { return ::pread(Handle, Buffer, Count, Position); });
}

int64_t WriteFileAt(int Handle, const void* Buffer, size_t Count, int64_t Position) {
    return Retried([&] { return ::pwrite(Handle, Buffer, Count, Position); });
}

int64_t FileHandleSize(int Handle) {
    struct stat Info {};
    return ::fstat(Handle, &Info) == 0 ? static_cast<int64_t>(Info.st_size) : -1;
}

} // namespace deraz
