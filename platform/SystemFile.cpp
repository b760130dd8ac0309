#include "platform/SystemFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace deraz {

namespace {

int AccessFlags(TSystemAccess Access) {
    switch (Access) {
    case TSystemAccess::Write:
        return O_WRONLY;
    case TSystemAccess::ReadWrite:
        return O_RDWR;
    case TSystemAccess::Read:
        break;
    }
    return O_RDONLY;
}

} // namespace

TSystemFile::~TSystemFile() {
    if (FHandle >= 0) ::close(FHandle);
}

bool TSystemFile::Failed() {
    FError = std::strerror(errno);
    return false;
}

bool TSystemFile::Open(const std::string& FileName, TSystemAccess Access) {
    FHandle = ::open(FileName.c_str(), AccessFlags(Access) | O_CLOEXEC);
    if (FHandle < 0) return Failed();
    struct stat Info {};
    if (::fstat(FHandle, &Info) == 0 && S_ISDIR(Info.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        errno = EISDIR;
        return Failed();
    }
    return true;
}

bool TSystemFile::Create(const std::string& FileName) {
    FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return FHandle >= 0 || Failed();
}

int64_t TSystemFile::ReadAt(void* Buffer, int64_t Count, int64_t Offset) {
    int64_t Done = 0;
    while (Done < Count) {
        ssize_t Got =
            ::pread(FHandle, static_cast<char*>(Buffer) + Done, size_t(Count - Done), Offset + Done);
        if (Got < 0 && errno == EINTR) continue;
        if (Got < 0) {
            Failed();
            return -1;
        }
        if (Got == 0) break;
        Done += Got;
    }
    return Done;
}

int64_t TSystemFile::WriteAt(const void* Buffer, int64_t Count, int64_t Offset) {
    int64_t Done = 0;
    while (Done < Count) {
        ssize_t Put =
            ::pwrite(FHandle, static_cast<const char*>(Buffer) + Done, size_t(Count - Done), Offset + Done);
        if (Put < 0 && errno == EINTR) continue;
        if (Put <= 0) break;
        Done += Put;
    }
    return Done;
}

int64_t TSystemFile::Size() const {
    struct stat Info {};
    return ::fstat(FHandle, &Info) == 0 ? int64_t(Info.st_size) : 0;
}

} // namespace deraz
