#include "codecs/wave/WavChunkReader.h"

#include <algorithm>

namespace deraz {

// ---- TFileWaveSource ----

TFileWaveSource::TFileWaveSource(TFileStream& Stream)
    : FStream(Stream), FSize(Stream.Size()), FPosition(Stream.Position()), FBuffer(BufferCapacity) {}

int64_t TFileWaveSource::Read(void* Buffer, int64_t Count) {
    auto* Out = static_cast<uint8_t*>(Buffer);
    int64_t Done = 0;
    while (Done < Count) {
        if (FBufferStart == FBufferEnd) {
            // Large requests bypass the buffer; small ones refill it.
            if (Count - Done >= BufferCapacity) {
                int64_t Got = FStream.Read(Out + Done, Count - Done);
                Done += Got;
                FPosition += Got;
                break;
            }
            FBufferStart = 0;
            FBufferEnd = FStream.Read(FBuffer.data(), BufferCapacity);
            if (FBufferEnd == 0) break;
        }
        int64_t Piece = std::min(Count - Done, FBufferEnd - FBufferStart);
        std::memcpy(Out + Done, FBuffer.data() + FBufferStart, size_t(Piece));
        FBufferStart += Piece;
        Done += Piece;
        FPosition += Piece;
    }
    // The file held FSize bytes when it was opened: ending before that means it was cut short
    // while being read, and what follows would be silently missing from the output.
    if (Done < Count && FPosition < FSize)
        throw EFileError("The file " + FStream.FileName() + " was cut short while it was being read.");
    return Done;
}

void TFileWaveSource::Seek(int64_t Offset) {
    // A seek within the buffered bytes moves the cursor only.
    int64_t Delta = Offset - FPosition;
    if (Delta >= -FBufferStart && Delta <= FBufferEnd - FBufferStart) {
        FBufferStart += Delta;
    } else {
        FStream.Seek(Offset);
        FBufferStart = FBufferEnd = 0;
    }
    FPosition = Offset;
}

// ---- TMemoryWaveSource ----

int64_t TMemoryWaveSource::Read(void* Buffer, int64_t Count) {
    int64_t Piece = std::clamp<int64_t>(Size() - FPosition, 0, std::max<int64_t>(Count, 0));
    if (Piece > 0) std::memcpy(Buffer, FData.data() + FPosition, size_t(Piece));
    FPosition += Piece;
    return Piece;
}

void TMemoryWaveSource::Seek(int64_t Offset) {
    FPosition = std::max<int64_t>(Offset, 0);
}

} // namespace deraz
