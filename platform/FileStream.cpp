#include "platform/FileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace deraz {

std::FILE* OpenCFile(const std::string& FileName, const char* Mode) {
#ifdef _WIN32
    const std::string Narrow = Mode;
    return _wfopen(std::filesystem::u8path(FileName).c_str(),
                   std::wstring(Narrow.begin(), Narrow.end()).c_str());
#else
    return std::fopen(FileName.c_str(), Mode);
#endif
}

namespace {

constexpr size_t WriteBufferSize = 256 * 1024;

const char* ModeString(TFileOpenMode Mode) {
    switch (Mode) {
    case TFileOpenMode::ReadOnly:
        return "rb";
    case TFileOpenMode::Create:
        return "w+b";
    case TFileOpenMode::ReadWrite:
        return "r+b";
    }
    return "rb";
}

} // namespace

TFileStream::TFileStream(const std::string& FileName, TFileOpenMode Mode) : FFileName(FileName) {
    // A directory opens for reading on some systems; it is not a file we can use.
    std::error_code Error;
    if (std::filesystem::is_directory(std::filesystem::u8path(FileName), Error)) {
        errno = EISDIR;
        Fail("Cannot open");
    }
    if (Mode != TFileOpenMode::ReadOnly) FBuffer = std::make_unique<char[]>(WriteBufferSize);
    FFile = OpenCFile(FileName, ModeString(Mode));
    if (!FFile) Fail("Cannot open");
    // Sinks write in pieces of a few kilobytes; a larger buffer makes far fewer system calls (the C
    // library takes the size only with a buffer of our own).
    if (FBuffer) std::setvbuf(FFile, FBuffer.get(), _IOFBF, WriteBufferSize);
}

TFileStream::~TFileStream() {
    if (FFile) std::fclose(FFile);
}

void TFileStream::Fail(const char* What) const {
    throw EFileError(std::string(What) + " " + FFileName + ": " + std::strerror(errno));
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    size_t Got = std::fread(Buffer, 1, static_cast<size_t>(Count), FFile);
    FPosition += static_cast<int64_t>(Got);
    if (Got < static_cast<size_t>(Count) && std::ferror(FFile)) Fail("Cannot read");
    return static_cast<int64_t>(Got);
}

void TFileStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0) return;
    const size_t Written = std::fwrite(Buffer, 1, static_cast<size_t>(Count), FFile);
    FPosition += static_cast<int64_t>(Written);
    if (Written != static_cast<size_t>(Count)) Fail("Cannot write to");
}

void TFileStream::Seek(int64_t Offset, int Origin) {
    if (fseeko(FFile, static_cast<off_t>(Offset), Origin) != 0) Fail("Cannot seek in");
    FPosition = Origin == SEEK_SET ? Offset : static_cast<int64_t>(ftello(FFile));
}

int64_t TFileStream::Size() const {
    // The system's size, without a seek that would drop the read buffer; writes still in the
    // buffer end at the position.
#ifdef _WIN32
    const int64_t Stored = _filelengthi64(_fileno(FFile));
#else
    struct stat Status {};
    const int64_t Stored = fstat(fileno(FFile), &Status) == 0 ? int64_t(Status.st_size) : 0;
#endif
    return std::max(Stored, Position());
}

void TFileStream::Flush() {
    if (std::fflush(FFile) != 0) Fail("Cannot write to");
}

void TFileStream::Truncate(int64_t Size) {
    Flush();
#ifdef _WIN32
    const bool Cut = _chsize_s(_fileno(FFile), Size) == 0;
#else
    const bool Cut = ftruncate(fileno(FFile), static_cast<off_t>(Size)) == 0;
#endif
    if (!Cut) Fail("Cannot shorten");
}

} // namespace deraz
