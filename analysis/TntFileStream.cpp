#include "analysis/TntFileStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace deraz {

namespace {

std::string FullPath(const std::string& FileName) {
    std::error_code Error;
    auto Path = std::filesystem::absolute(std::filesystem::u8path(FileName), Error);
    return Error ? FileName : Path.lexically_normal().string();
}

int AccessFlags(uint16_t Mode) {
    switch (Mode & 3) {
    case fmOpenWrite:
        return O_WRONLY;
    case fmOpenReadWrite:
        return O_RDWR;
    default:
        return O_RDONLY;
    }
}

} // namespace

TTntFileStream::TTntFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName) {
    if (Mode == fmCreate) {
        FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError("Cannot create file \"" + FullPath(FileName) + "\". " + std::strerror(errno));
        return;
    }
    FHandle = ::open(FileName.c_str(), AccessFlags(Mode) | O_CLOEXEC);
    struct stat Info {};
    if (FHandle >= 0 && ::fstat(FHandle, &Info) == 0 && S_ISDIR(Info.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        errno = EISDIR;
    }
    if (FHandle < 0)
        throw EFOpenError("Cannot open file \"" + FullPath(FileName) + "\". " + std::strerror(errno));
}

TTntFileStream::~TTntFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

int32_t TTntFileStream::Read(void* Buffer, int32_t Count) {
    int32_t Done = 0;
    while (Done < Count) {
        ssize_t Got = ::pread(FHandle, static_cast<char*>(Buffer) + Done, size_t(Count - Done), FPosition);
        if (Got < 0 && errno == EINTR) continue;
        if (Got < 0)
            throw EReadError("Cannot read file \"" + FullPath(FFileName) + "\". " + std::strerror(errno));
        if (Got == 0) break;
        Done += static_cast<int32_t>(Got);
        FPosition += Got;
    }
    return Done;
}

int32_t TTntFileStream::Write(const void* Buffer, int32_t Count) {
    int32_t Done = 0;
    while (Done < Count) {
        ssize_t Put =
            ::pwrite(FHandle, static_cast<const char*>(Buffer) + Done, size_t(Count - Done), FPosition);
        if (Put < 0 && errno == EINTR) continue;
        if (Put <= 0) break;
        Done += static_cast<int32_t>(Put);
        FPosition += Put;
    }
    return Done;
}

int64_t TTntFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t Base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : Size();
    int64_t Target = Base + Offset;
    if (Target < 0) return -1;
    FPosition = Target;
    return FPosition;
}

int64_t TTntFileStream::Size() const {
    struct stat Info {};
    return ::fstat(FHandle, &Info) == 0 ? static_cast<int64_t>(Info.st_size) : 0;
}

} // namespace deraz
