// A binary file on a UTF-8 file name, with 64-bit positions and errors reported as exceptions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace deraz {

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// std::fopen on a UTF-8 file name, which the narrow fopen of Windows reads in the ANSI code page.
std::FILE* OpenCFile(const std::string& FileName, const char* Mode);

enum class TFileOpenMode {
    ReadOnly,  // an existing file, read only
    Create,    // a new or emptied file, read and write
    ReadWrite, // an existing file, read and write (used to append)
};

class TFileStream {
public:
    // Opens FileName; raises EFileError naming the file and the system's reason on failure.
    TFileStream(const std::string& FileName, TFileOpenMode Mode);
    ~TFileStream();
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    const std::string& FileName() const { return FFileName; }

    // Reads up to Count bytes; returns how many came (fewer only at the end of the file).
    int64_t Read(void* Buffer, int64_t Count);
    // Reads exactly Count bytes or returns false (the position is then undefined).
    bool ReadExact(void* Buffer, int64_t Count) { return Read(Buffer, Count) == Count; }
    // Writes all Count bytes or raises EFileError (disk full, file too large, ...).
    void Write(const void* Buffer, int64_t Count);

    void Seek(int64_t Offset, int Origin = SEEK_SET);
    int64_t Position() const { return FPosition; }
    int64_t Size() const;
    // Pushes buffered writes to the system; raises EFileError when that fails.
    void Flush();
    // Cuts the file to Size bytes; the position stays where it was.
    void Truncate(int64_t Size);

private:
    [[noreturn]] void Fail(const char* What) const;

    std::string FFileName;
    std::FILE* FFile = nullptr;
    std::unique_ptr<char[]> FBuffer; // the write buffer, which outlives FFile
    // Kept here: asking the C library for it would flush the write buffer every time.
    int64_t FPosition = 0;
};

} // namespace deraz
