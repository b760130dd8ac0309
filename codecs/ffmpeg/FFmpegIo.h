// FFmpeg's byte I/O on one of our file streams, so that files are opened, named and reported as
// every other component opens, names and reports them.
#pragma once

#include <string>

#include "codecs/ffmpeg/FFmpegLibrary.h"
#include "platform/FileStream.h"

namespace deraz {

class TFFmpegIo {
public:
    // Reads Stream, or with Writable writes it; raises EACSException when FFmpeg cannot allocate.
    TFFmpegIo(TFileStream& Stream, bool Writable);
    ~TFFmpegIo();
    TFFmpegIo(const TFFmpegIo&) = delete;
    TFFmpegIo& operator=(const TFFmpegIo&) = delete;

    AVIOContext* Context() const { return FContext; }
    // The system's reason of the first read, write or seek that failed; empty while none has.
    const std::string& Error() const { return FError; }

private:
    static int Read(void* Opaque, uint8_t* Buffer, int Size);
    static int Write(void* Opaque, uint8_t* Buffer, int Size);
    static int64_t Seek(void* Opaque, int64_t Offset, int Whence);
    int Fail(const std::exception& E);

    TFileStream& FStream;
    AVIOContext* FContext = nullptr;
    std::string FError;
};

} // namespace deraz
