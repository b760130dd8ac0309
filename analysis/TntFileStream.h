// The file stream every reader opens: a UTF-8 name and an open mode word.
#pragma once

#include "platform/FileStream.h"

#include <cstdint>
#include <string>

namespace deraz {

// Raised when an existing file cannot be opened: Cannot open file "<full path>". <reason>
class EFOpenError : public EFileError {
public:
    using EFileError::EFileError;
};

// Raised when a file cannot be created: Cannot create file "<full path>". <reason>
class EFCreateError : public EFileError {
public:
    using EFileError::EFileError;
};

// Raised when the system reports an error while reading an open file.
class EReadError : public EFileError {
public:
    using EFileError::EFileError;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// Open modes: fmCreate makes a new, empty file for reading and writing; any other value opens an
// existing file, its low two bits choosing the access and bits 4-7 the sharing (which this
// platform does not enforce).
constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareDenyWrite = 0x0020;

class TTntFileStream {
public:
    // Opens or creates FileName; raises EFOpenError or EFCreateError on failure.
    TTntFileStream(const std::string& FileName, uint16_t Mode);
    ~TTntFileStream();
    TTntFileStream(const TTntFileStream&) = delete;
    TTntFileStream& operator=(const TTntFileStream&) = delete;

    // Reads up to Count bytes; returns how many came (fewer at the end of the file).
    int32_t Read(void* Buffer, int32_t Count);
    // Writes Count bytes; returns how many were written.
    int32_t Write(const void* Buffer, int32_t Count);
    // Moves the position; returns the new one, or -1 when the system refuses (a negative target).
    int64_t Seek(int64_t Offset, TSeekOrigin Origin = soBeginning);
    // The current position.
    int64_t Position() const { return FPosition; }
    // The size of the file in bytes.
    int64_t Size() const;

private:
    int FHandle = -1;
    int64_t FPosition = 0;
    std::string FFileName;
};

} // namespace deraz
