#include "analysis/TntFileStream.h"

#include <filesystem>

namespace deraz {

namespace {

std::string FullPath(const std::string& FileName) {
    std::error_code Error;
    auto Path = std::filesystem::absolute(std::filesystem::u8path(FileName), Error);
    return Error ? FileName : Path.lexically_normal().string();
}

TSystemAccess AccessOf(uint16_t Mode) {
    switch (Mode & 3) {
    case fmOpenWrite:
        return TSystemAccess::Write;
    case fmOpenReadWrite:
        return TSystemAccess::ReadWrite;
    default:
        return TSystemAccess::Read;
    }
}

} // namespace

TTntFileStream::TTntFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName) {
    if (Mode == fmCreate) {
        if (!FFile.Create(FileName))
            throw EFCreateError("Cannot create file \"" + FullPath(FileName) + "\". " + FFile.Error());
        return;
    }
    if (!FFile.Open(FileName, AccessOf(Mode)))
        throw EFOpenError("Cannot open file \"" + FullPath(FileName) + "\". " + FFile.Error());
}

int32_t TTntFileStream::Read(void* Buffer, int32_t Count) {
    int64_t Got = FFile.ReadAt(Buffer, Count, FPosition);
    if (Got < 0) throw EReadError("Cannot read file \"" + FullPath(FFileName) + "\". " + FFile.Error());
    FPosition += Got;
    return int32_t(Got);
}

int32_t TTntFileStream::Write(const void* Buffer, int32_t Count) {
    int64_t Put = FFile.WriteAt(Buffer, Count, FPosition);
    FPosition += Put;
    return int32_t(Put);
}

int64_t TTntFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t Base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : Size();
    int64_t Target = Base + Offset;
    if (Target < 0) return -1;
    FPosition = Target;
    return FPosition;
}

int64_t TTntFileStream::Size() const {
    return FFile.Size();
}

} // namespace deraz
