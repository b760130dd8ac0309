// A file handle of the operating system, read and written at explicit positions. Failures are
// reported with the system's reason, never raised, so that each caller words its own errors.
#pragma once

#include <cstdint>
#include <string>

namespace deraz {

enum class TSystemAccess { Read, Write, ReadWrite };

class TSystemFile {
public:
    TSystemFile() = default;
    ~TSystemFile();
    TSystemFile(const TSystemFile&) = delete;
    TSystemFile& operator=(const TSystemFile&) = delete;

    // Opens an existing file (a folder counts as failing); false with the reason kept in Error().
    bool Open(const std::string& FileName, TSystemAccess Access);
    // Makes a new, empty file for reading and writing; false with the reason kept in Error().
    bool Create(const std::string& FileName);

    // Reads up to Count bytes at Offset; fewer only at the end; -1 on a system error.
    int64_t ReadAt(void* Buffer, int64_t Count, int64_t Offset);
    // Writes up to Count bytes at Offset; returns how many the system took.
    int64_t WriteAt(const void* Buffer, int64_t Count, int64_t Offset);
    // The size of the file in bytes; 0 when the system cannot tell.
    int64_t Size() const;
    // The system's text for the last failure.
    const std::string& Error() const { return FError; }

private:
    bool Failed();

    int FHandle = -1;
    std::string FError;
};

} // namespace deraz
