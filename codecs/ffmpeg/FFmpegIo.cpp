#include "codecs/ffmpeg/FFmpegIo.h"

#include "pipeline/ACS_Classes.h"

namespace deraz {

namespace {

constexpr int BufferSize = 65536;

} // namespace

TFFmpegIo::TFFmpegIo(TFileStream& Stream, bool Writable) : FStream(Stream) {
    const auto& Util = AvUtilLibrary();
    auto* Buffer = static_cast<unsigned char*>(Util->av_malloc(BufferSize));
    if (Buffer)
        FContext = AvFormatLibrary()->avio_alloc_context(Buffer, BufferSize, Writable ? 1 : 0, this,
                                                         Writable ? nullptr : Read,
                                                         Writable ? Write : nullptr, Seek);
    if (!FContext) {
        Util->av_free(Buffer);
        throw EACSException("Not enough memory for FFmpeg's file buffer.");
    }
}

TFFmpegIo::~TFFmpegIo() {
    // The context may have replaced its buffer; the one it holds now is the one to free.
    AvUtilLibrary()->av_free(FContext->buffer);
    AvFormatLibrary()->avio_context_free(&FContext);
}

int TFFmpegIo::Fail(const std::exception& E) {
    if (FError.empty()) FError = E.what();
    return AVERROR(EIO);
}

int TFFmpegIo::Read(void* Opaque, uint8_t* Buffer, int Size) {
    auto* Self = static_cast<TFFmpegIo*>(Opaque);
    try {
        int64_t Count = Self->FStream.Read(Buffer, Size);
        return Count > 0 ? int(Count) : AVERROR_EOF;
    } catch (const std::exception& E) {
        return Self->Fail(E);
    }
}

int TFFmpegIo::Write(void* Opaque, uint8_t* Buffer, int Size) {
    auto* Self = static_cast<TFFmpegIo*>(Opaque);
    try {
        Self->FStream.Write(Buffer, Size);
        return Size;
    } catch (const std::exception& E) {
        return Self->Fail(E);
    }
}

int64_t TFFmpegIo::Seek(void* Opaque, int64_t Offset, int Whence) {
    auto* Self = static_cast<TFFmpegIo*>(Opaque);
    try {
        if (Whence & AVSEEK_SIZE) return Self->FStream.Size();
        Self->FStream.Seek(Offset, Whence & ~AVSEEK_FORCE);
        return Self->FStream.Position();
    } catch (const std::exception& E) {
        return Self->Fail(E);
    }
}

} // namespace deraz
