#include "macdll/Decoder.h"

#include "macdll/MACDll.h"

#include <algorithm>
#include <cstring>

namespace deraz::ape {

int TDecoder::Open(const std::string& FileName, std::unique_ptr<TDecoder>& Decoder) {
    std::unique_ptr<TFile> File = TFile::Open(FileName, TFile::fmRead);
    if (!File) return ERROR_INVALID_INPUT_FILE;
    TApeFileInfo Info;
    if (int Error = ReadApeFileInfo(*File, Info)) return Error;
    const int64_t Size = File->Size();
    Decoder.reset(new TDecoder(std::move(File), std::move(Info), Size));
    return ERROR_SUCCESS;
}

TDecoder::TDecoder(std::unique_ptr<TFile> File, TApeFileInfo Info, int64_t FileSize)
    : FFile(std::move(File)), FInfo(std::move(Info)), FFileSize(FileSize),
      FFrames({FInfo.Version, FInfo.Level, FInfo.Channels, FInfo.BitsPerSample}) {}

int TDecoder::LoadFrame(uint32_t Frame) {
    FLoadedFrame = -1;
    const int64_t Begin = FInfo.FrameOffsets[Frame], End = FInfo.FrameOffsets[Frame + 1];
    // The frame data is stored in 4-byte groups, each reversed; read the groups the frame touches.
    const int64_t First = Begin & ~int64_t(3), Last = std::min((End + 3) & ~int64_t(3), FInfo.FrameDataBytes);
    const size_t Stored = size_t(std::max<int64_t>(Last - First, 0));
    FRaw.assign((std::max<size_t>(Stored, size_t(End - Begin)) + 3) & ~size_t(3), 0);
    FFile->ReadAt(FInfo.FrameDataStart + First, FRaw.data(), Stored);
    for (size_t I = 0; I < FRaw.size(); I += 4) {
        std::swap(FRaw[I], FRaw[I + 3]);
        std::swap(FRaw[I + 1], FRaw[I + 2]);
    }
    const uint32_t Blocks = FInfo.FrameBlocks(Frame);
    FPcm.resize(size_t(Blocks) * size_t(FInfo.BlockAlign()));
    const size_t Skip = size_t(Begin - First);
    if (int Error = FFrames.Decode(FRaw.data() + Skip, size_t(End - Begin), Blocks, FPcm.data()))
        return Error;
    FLoadedFrame = Frame;
    return ERROR_SUCCESS;
}

int TDecoder::GetData(uint8_t* Buffer, int64_t Blocks, int64_t& Retrieved) {
    Retrieved = 0;
    const int64_t Total = FInfo.TotalBlocks();
    const size_t Align = size_t(FInfo.BlockAlign());
    while (Retrieved < Blocks && FCurrentBlock < Total && !FError) {
        const uint32_t Frame = uint32_t(FCurrentBlock / FInfo.BlocksPerFrame);
        if (Frame != FLoadedFrame) FError = LoadFrame(Frame);
        if (FError) break;
        const int64_t InFrame = FCurrentBlock - int64_t(Frame) * FInfo.BlocksPerFrame;
        const int64_t Count = std::min(Blocks - Retrieved, int64_t(FInfo.FrameBlocks(Frame)) - InFrame);
        std::memcpy(Buffer + size_t(Retrieved) * Align, FPcm.data() + size_t(InFrame) * Align,
                    size_t(Count) * Align);
        Retrieved += Count;
        FCurrentBlock += Count;
    }
    return Retrieved == 0 ? FError : ERROR_SUCCESS;
}

int TDecoder::Seek(int64_t Block) {
    if (Block < 0 || Block > FInfo.TotalBlocks()) return ERROR_INVALID_FUNCTION_PARAMETER;
    FCurrentBlock = Block;
    FError = ERROR_SUCCESS;
    return ERROR_SUCCESS;
}

} // namespace deraz::ape
