#include "analysis/TntFileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/FileHandle.h"
#include "platform/Paths.h"

namespace deraz {

namespace {

std::string FullPath(const std::string& FileName) {
    std::error_code Error;
    auto Path = std::filesystem::absolute(PathOf(FileName), Error);
    return Error ? FileName : NameOf(Path.lexically_normal());
}

TFileAccess Access(uint16_t Mode) {
    switch (Mode & 3) {
    case fmOpenWrite:
        return TFileAccess::Write;
    case fmOpenReadWrite:
        return TFileAccess::ReadWrite;
    default:
        return TFileAccess::Read;
    }
}

} // namespace

TTntFileStream::TTntFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName) {
    if (Mode == fmCreate) {
        FHandle = CreateFileHandle(FileName);
        if (FHandle < 0)
            throw EFCreateError("Cannot create file \"" + FullPath(FileName) + "\". " + std::strerror(errno));
        return;
    }
    FHandle = OpenFileHandle(FileName, Access(Mode));
    if (FHandle < 0)
        throw EFOpenError("Cannot open file \"" + FullPath(FileName) + "\". " + std::strerror(errno));
}

TTntFileStream::~TTntFileStream() {
    if (FHandle >= 0) CloseFileHandle(FHandle);
}

int32_t TTntFileStream::Read(void* Buffer, int32_t Count) {
    int32_t Done = 0;
    while (Done < Count) {
        int64_t Got = ReadFileAt(FHandle, static_cast<char*>(Buffer) + Done, size_t(Count - Done), FPosition);
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
        int64_t Put =
            WriteFileAt(FHandle, static_cast<const char*>(Buffer) + Done, size_t(Count - Done), FPosition);
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
    return std::max<int64_t>(FileHandleSize(FHandle), 0);
}

} // namespace deraz
