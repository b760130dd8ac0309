// A binary file opened by its UTF-8 name, read and written at explicit positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace deraz::ape {

class TFile {
public:
    enum TMode { fmRead, fmCreate };
    // Null when the file cannot be opened (or created).
    static std::unique_ptr<TFile> Open(const std::string& Name, TMode Mode);
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    int64_t Size();
    // Reads up to Bytes bytes at Position; returns how many were read.
    size_t ReadAt(int64_t Position, void* Buffer, size_t Bytes);
    bool ReadExactAt(int64_t Position, void* Buffer, size_t Bytes) {
        return ReadAt(Position, Buffer, Bytes) == Bytes;
    }
    bool WriteAt(int64_t Position, const void* Data, size_t Bytes);
    bool Flush();

private:
    explicit TFile(std::FILE* Handle) : FHandle(Handle) {}

    std::FILE* FHandle;
};

} // namespace deraz::ape
