#include "platform/FileStream.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace deraz {

namespace {

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
#ifdef _WIN32
    // The name is UTF-8; the narrow fopen would read it in the ANSI code page.
    const std::string Narrow = ModeString(Mode);
    FFile = _wfopen(std::filesystem::u8path(FileName).c_str(),
                    std::wstring(Narrow.begin(), Narrow.end()).c_str());
#else
    FFile = std::fopen(FileName.c_str(), ModeString(Mode));
#endif
    if (!FFile) Fail("Cannot open");
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
    if (Got < static_cast<size_t>(Count) && std::ferror(FFile)) Fail("Cannot read");
    return static_cast<int64_t>(Got);
}

void TFileStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0) return;
    if (std::fwrite(Buffer, 1, static_cast<size_t>(Count), FFile) != static_cast<size_t>(Count))
        Fail("Cannot write to");
}

void TFileStream::Seek(int64_t Offset, int Origin) {
    if (fseeko(FFile, static_cast<off_t>(Offset), Origin) != 0) Fail("Cannot seek in");
}

int64_t TFileStream::Position() const {
    return static_cast<int64_t>(ftello(FFile));
}

int64_t TFileStream::Size() const {
    off_t Here = ftello(FFile);
    fseeko(FFile, 0, SEEK_END);
    off_t End = ftello(FFile);
    fseeko(FFile, Here, SEEK_SET);
    return static_cast<int64_t>(End);
}

void TFileStream::Flush() {
    if (std::fflush(FFile) != 0) Fail("Cannot write to");
}

} // namespace deraz
