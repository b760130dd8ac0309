// Files by descriptor, read and written at a given position: the system calls that differ between
// POSIX and Windows. A failure returns -1 and leaves its reason in errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace deraz {

enum class TFileAccess { Read, Write, ReadWrite };

// Opens an existing file on its UTF-8 name; a folder does not open (EISDIR).
int OpenFileHandle(const std::string& FileName, TFileAccess Access);
// Creates an empty file for reading and writing, replacing one of that name.
int CreateFileHandle(const std::string& FileName);
void CloseFileHandle(int Handle);

// Up to Count bytes at Position; 0 at the end of the file.
int64_t ReadFileAt(int Handle, void* Buffer, size_t Count, int64_t Position);
// Up to Count bytes at Position; how many were written.
int64_t WriteFileAt(int Handle, const void* Buffer, size_t Count, int64_t Position);
int64_t FileHandleSize(int Handle);

} // namespace deraz
