#include "macdll/Encoder.h"

#include "macdll/MACDll.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace deraz::ape {

namespace {

constexpr size_t StoredChunk = 1 << 20;

} // namespace

int TEncoder::Start(const std::string& FileName, const TPcmFormat& Format, int64_t MaxAudioBytes,
                    int32_t Level, const uint8_t* HeaderData, size_t HeaderDataBytes,
                    std::unique_ptr<TEncoder>& Encoder) {
    if (Format.Channels < 1 || Format.Channels > 2) return ERROR_INPUT_FILE_UNSUPPORTED_CHANNEL_COUNT;
    if (Format.BitsPerSample != 8 && Format.BitsPerSample != 16 && Format.BitsPerSample != 24)
        return ERROR_INPUT_FILE_UNSUPPORTED_BIT_DEPTH;
    if (Format.SampleRate <= 0) return ERROR_INPUT_FILE_UNSUPPORTED_SAMPLE_RATE;
    if (!ValidLevel(Level)) return ERROR_BAD_PARAMETER;
    if (HeaderDataBytes > MaxWrapperBytes) return ERROR_INVALID_FUNCTION_PARAMETER;
    std::unique_ptr<TFile> File = TFile::Open(FileName, TFile::fmCreate);
    if (!File) return ERROR_INVALID_OUTPUT_FILE;
    std::unique_ptr<TEncoder> E(new TEncoder(std::move(File), FileName, Format, Level));
    // A known length reserves its seek table now; an unknown one gets it sized at the end.
    if (MaxAudioBytes > 0) {
        const int64_t Blocks = MaxAudioBytes / (Format.Channels * (Format.BitsPerSample / 8));
        E->FSeekEntries = uint32_t((Blocks + E->FBlocksPerFrame - 1) / E->FBlocksPerFrame);
    }
    E->FHeaderStored = HeaderData && HeaderDataBytes > 0;
    E->FHeaderDataBytes = E->FHeaderStored ? uint32_t(HeaderDataBytes) : 0;
    std::vector<uint8_t> Prefix(DescriptorBytes + HeaderBytes + 4 * size_t(E->FSeekEntries));
    if (E->FHeaderStored) {
        Prefix.insert(Prefix.end(), HeaderData, HeaderData + HeaderDataBytes);
        E->FMd5.Update(HeaderData, HeaderDataBytes);
    }
    if (!E->FFile->WriteAt(0, Prefix.data(), Prefix.size())) return ERROR_IO_WRITE;
    E->FWritePos = int64_t(Prefix.size());
    Encoder = std::move(E);
    return ERROR_SUCCESS;
}

TEncoder::TEncoder(std::unique_ptr<TFile> File, std::string FileName, const TPcmFormat& Format, int32_t Level)
    : FFile(std::move(File)), FFileName(std::move(FileName)), FFormat(Format), FLevel(Level),
      FBlocksPerFrame(BlocksPerFrameForLevel(Level)),
      FInput(size_t(FBlocksPerFrame) * size_t(Format.Channels * (Format.BitsPerSample / 8))),
      FFrameEncoder(Level, Format.Channels, Format.BitsPerSample) {}

TEncoder::~TEncoder() = default;

int TEncoder::Commit(size_t Bytes) {
    if (FFinished || !FFile) return ERROR_UNDEFINED;
    if (Bytes > BufferFree()) return ERROR_INVALID_FUNCTION_PARAMETER;
    FInputFill += Bytes;
    if (FInputFill < FInput.size()) return ERROR_SUCCESS;
    FInputFill = 0;
    return EncodeFrame(FBlocksPerFrame);
}

int TEncoder::AddData(const uint8_t* Data, size_t Bytes) {
    while (Bytes) {
        const size_t Take = std::min(Bytes, BufferFree());
        std::memcpy(Buffer(), Data, Take);
        if (int Error = Commit(Take)) return Error;
        Data += Take;
        Bytes -= Take;
    }
    return ERROR_SUCCESS;
}

int TEncoder::EncodeFrame(uint32_t Blocks) {
    FFrameStarts.push_back(FLogicalBytes);
    FFrameBytes.clear();
    FFrameEncoder.Encode(FInput.data(), Blocks, FFrameBytes);
    return PutLogical(FFrameBytes.data(), FFrameBytes.size());
}

int TEncoder::PutLogical(const uint8_t* Data, size_t Bytes) {
    FLogicalBytes += Bytes;
    // Complete the group begun by the previous call, then whole groups, then keep the rest.
    while (Bytes && FPendingCount) {
        FPending[FPendingCount] = *Data++;
        --Bytes;
        if (++FPendingCount == 4) {
            FStored.insert(FStored.end(), {FPending[3], FPending[2], FPending[1], FPending[0]});
            FPendingCount = 0;
        }
    }
    const size_t Groups = Bytes / 4, Old = FStored.size();
    FStored.resize(Old + 4 * Groups);
    uint8_t* Out = FStored.data() + Old;
    for (size_t G = 0; G < Groups; ++G, Data += 4, Out += 4) {
        Out[0] = Data[3];
        Out[1] = Data[2];
        Out[2] = Data[1];
        Out[3] = Data[0];
    }
    for (Bytes %= 4; Bytes; --Bytes) FPending[FPendingCount++] = *Data++;
    return FStored.size() >= StoredChunk ? FlushStored() : ERROR_SUCCESS;
}

int TEncoder::FlushStored() {
    FMd5.Update(FStored.data(), FStored.size());
    if (!FFile->WriteAt(FWritePos, FStored.data(), FStored.size())) return ERROR_IO_WRITE;
    FWritePos += int64_t(FStored.size());
    FStored.clear();
    return ERROR_SUCCESS;
}

// Makes room for more seek entries by moving everything after the table towards the end.
int TEncoder::GrowSeekTable(uint32_t Entries) {
    const int64_t Start = DescriptorBytes + HeaderBytes + 4 * int64_t(FSeekEntries);
    const int64_t Delta = 4 * int64_t(Entries - FSeekEntries);
    std::vector<uint8_t> Chunk(StoredChunk);
    for (int64_t Pos = FWritePos; Pos > Start;) {
        const size_t Bytes = size_t(std::min<int64_t>(int64_t(Chunk.size()), Pos - Start));
        Pos -= int64_t(Bytes);
        if (!FFile->ReadExactAt(Pos, Chunk.data(), Bytes) ||
            !FFile->WriteAt(Pos + Delta, Chunk.data(), Bytes))
            return ERROR_IO_WRITE;
    }
    FSeekEntries = Entries;
    FWritePos += Delta;
    return ERROR_SUCCESS;
}

int TEncoder::WriteHeaders(uint32_t SeekEntries, uint32_t FinalFrameBlocks, size_t WavTerminatingBytes) {
    const uint32_t SeekTableBytes = 4 * SeekEntries;
    std::vector<uint8_t> Out(DescriptorBytes + HeaderBytes + SeekTableBytes, 0);
    uint8_t* H = Out.data() + DescriptorBytes;
    PutU16(H, uint32_t(FLevel));
    PutU16(H + 2, FHeaderStored ? 0 : FlagCreateWavHeader);
    PutU32(H + 4, FBlocksPerFrame);
    PutU32(H + 8, FinalFrameBlocks);
    PutU32(H + 12, uint32_t(FFrameStarts.size()));
    PutU16(H + 16, uint32_t(FFormat.BitsPerSample));
    PutU16(H + 18, uint32_t(FFormat.Channels));
    PutU32(H + 20, uint32_t(FFormat.SampleRate));
    const uint64_t FirstFrame = DescriptorBytes + HeaderBytes + SeekTableBytes + FHeaderDataBytes;
    for (size_t I = 0; I < FFrameStarts.size(); ++I)
        PutU32(H + HeaderBytes + 4 * I, uint32_t(FirstFrame + FFrameStarts[I]));
    FMd5.Update(H, HeaderBytes + SeekTableBytes);

    uint8_t* D = Out.data();
    std::memcpy(D, "MAC ", 4);
    PutU16(D + 4, CurrentVersion);
    PutU32(D + 8, DescriptorBytes);
    PutU32(D + 12, HeaderBytes);
    PutU32(D + 16, SeekTableBytes);
    PutU32(D + 20, FHeaderDataBytes);
    PutU32(D + 24, uint32_t(FLogicalBytes));
    PutU32(D + 28, uint32_t(FLogicalBytes >> 32));
    PutU32(D + 32, uint32_t(WavTerminatingBytes));
    const std::array<uint8_t, 16> Digest = FMd5.Final();
    std::memcpy(D + 36, Digest.data(), Digest.size());
    return FFile->WriteAt(0, Out.data(), Out.size()) && FFile->Flush() ? ERROR_SUCCESS : ERROR_IO_WRITE;
}

int TEncoder::Finish(const uint8_t* Terminating, size_t TerminatingBytes, size_t WavTerminatingBytes) {
    if (FFinished || !FFile) return ERROR_UNDEFINED;
    FFinished = true;
    const uint32_t Blocks = uint32_t(FInputFill / size_t(FFormat.Channels * (FFormat.BitsPerSample / 8)));
    if (Blocks)
        if (int Error = EncodeFrame(Blocks)) return Error;
    // The frame data ends with 1 to 4 zero bytes, filling its last 4-byte group.
    if (!FFrameStarts.empty()) {
        const uint8_t Zeros[4] = {};
        if (int Error = PutLogical(Zeros, 4 - FLogicalBytes % 4)) return Error;
    }
    if (int Error = FlushStored()) return Error;
    if (!Terminating) TerminatingBytes = 0;
    WavTerminatingBytes = std::min(WavTerminatingBytes, TerminatingBytes);
    if (TerminatingBytes) {
        if (!FFile->WriteAt(FWritePos, Terminating, TerminatingBytes)) return ERROR_IO_WRITE;
        FWritePos += int64_t(TerminatingBytes);
        FMd5.Update(Terminating, WavTerminatingBytes);
    }
    const uint32_t Frames = uint32_t(FFrameStarts.size());
    if (Frames > FSeekEntries)
        if (int Error = GrowSeekTable(Frames)) return Error;
    const uint32_t FinalFrameBlocks = Blocks ? Blocks : (Frames ? FBlocksPerFrame : 0);
    const int Result = WriteHeaders(FSeekEntries, FinalFrameBlocks, WavTerminatingBytes);
    FFile.reset();
    return Result;
}

void TEncoder::Kill() {
    FFile.reset();
    std::remove(FFileName.c_str());
}

} // namespace deraz::ape
