// Reading an .ape file: its format, and its PCM from any block on.
#pragma once

#include "macdll/ApeFormat.h"
#include "macdll/FrameCodec.h"

#include <memory>
#include <string>

namespace deraz::ape {

class TDecoder {
public:
    // Opens and checks a file. Returns 0 or an error code of MACDll.h (and no decoder).
    static int Open(const std::string& FileName, std::unique_ptr<TDecoder>& Decoder);

    const TApeFileInfo& Info() const { return FInfo; }
    int64_t CurrentBlock() const { return FCurrentBlock; }
    int64_t FileSize() const { return FFileSize; }

    // Copies up to Blocks blocks of PCM into Buffer. A frame that fails to decode delivers
    // nothing: the call returns its error once no earlier blocks of the same call are pending.
    int GetData(uint8_t* Buffer, int64_t Blocks, int64_t& Retrieved);
    int Seek(int64_t Block);

private:
    TDecoder(std::unique_ptr<TFile> File, TApeFileInfo Info, int64_t FileSize);
    int LoadFrame(uint32_t Frame);

    std::unique_ptr<TFile> FFile;
    TApeFileInfo FInfo;
    int64_t FFileSize;
    TFrameDecoder FFrames;
    std::vector<uint8_t> FRaw, FPcm;
    int64_t FLoadedFrame = -1;
    int64_t FCurrentBlock = 0;
    int FError = 0;
};

} // namespace deraz::ape
