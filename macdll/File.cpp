#include "macdll/File.h"

#include "platform/FileStream.h"

namespace deraz::ape {

std::unique_ptr<TFile> TFile::Open(const std::string& Name, TMode Mode) {
    std::FILE* Handle = OpenCFile(Name, Mode == fmRead ? "rb" : "w+b");
    if (!Handle) return nullptr;
    return std::unique_ptr<TFile>(new TFile(Handle));
}

TFile::~TFile() {
    std::fclose(FHandle);
}

int64_t TFile::Size() {
    if (fseeko(FHandle, 0, SEEK_END) != 0) return -1;
    return int64_t(ftello(FHandle));
}

// Every access seeks first, which also satisfies the C library's rule for switching between
// reading and writing.
size_t TFile::ReadAt(int64_t Position, void* Buffer, size_t Bytes) {
    if (Bytes == 0) return 0;
    if (Position < 0 || fseeko(FHandle, off_t(Position), SEEK_SET) != 0) return 0;
    return std::fread(Buffer, 1, Bytes, FHandle);
}

bool TFile::WriteAt(int64_t Position, const void* Data, size_t Bytes) {
    if (Bytes == 0) return true;
    if (Position < 0 || fseeko(FHandle, off_t(Position), SEEK_SET) != 0) return false;
    return std::fwrite(Data, 1, Bytes, FHandle) == Bytes;
}

bool TFile::Flush() {
    return std::fflush(FHandle) == 0;
}

} // namespace deraz::ape
