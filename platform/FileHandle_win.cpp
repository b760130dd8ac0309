// The C runtime's descriptors on wide-character names. Windows has no pread or pwrite, so every
// transfer positions the descriptor first; a descriptor serves one thread at a time.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "platform/FileHandle.h"

namespace deraz {

namespace {

int OpenFlags(TFileAccess Access) {
    constexpr int Flags[] = {_O_RDONLY, _O_WRONLY, _O_RDWR}; // in the order of TFileAccess
    return Flags[static_cast<int>(Access)];
}

unsigned Portion(size_t Count) {
    return static_cast<unsigned>(std::min<size_t>(Count, INT_MAX));
}

} // namespace

int OpenFileHandle(const std::string& FileName, TFileAccess Access) {
    return ::_wopen(std::filesystem::u8path(FileName).c_str(), OpenFlags(Access) | _O_BINARY | _O_NOINHERIT);
}

int CreateFileHandle(const std::string& FileName) {
    return ::_wopen(std::filesystem::u8path(FileName).c_str(),
                    _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

void CloseFileHandle(int Handle) {
    ::_close(Handle);
}

int64_t ReadFileAt(int Handle, void* Buffer, size_t Count, int64_t Position) {
    if (::_lseeki64(Handle, Position, SEEK_SET) < 0) return -1;
    return ::_read(Handle, Buffer, Portion(Count));
}

int64_t WriteFileAt(int Handle, const void* Buffer, size_t Count, int64_t Position) {
    if (::_lseeki64(Handle, Position, SEEK_SET) < 0) return -1;
    return ::_write(Handle, Buffer, Portion(Count));
}

int64_t FileHandleSize(int Handle) {
    return ::_filelengthi64(Handle);
}

} // namespace deraz
