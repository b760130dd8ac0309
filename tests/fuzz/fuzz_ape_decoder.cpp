// Our Monkey's Audio decoder on arbitrary files: open, read every block, seek.
#include <vector>

#include "macdll/MACDll.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    std::string FileName = deraz::fuzz::WriteInput(Data, Size, ".ape");
    int Error = 0;
    APE_DECOMPRESS_HANDLE Handle = c_APEDecompress_Create(FileName.c_str(), &Error);
    if (!Handle) return 0;
    int BlockAlign = int(c_APEDecompress_GetInfo(Handle, APE_INFO_BLOCK_ALIGN, 0, 0));
    int TotalBlocks = int(c_APEDecompress_GetInfo(Handle, APE_INFO_TOTAL_BLOCKS, 0, 0));
    if (BlockAlign > 0 && BlockAlign <= 64) {
        std::vector<char> Buffer(size_t(BlockAlign) * 4096);
        int Got = 0;
        int64_t Total = 0;
        while (c_APEDecompress_GetData(Handle, Buffer.data(), 4096, &Got) == 0 && Got > 0 &&
               Total < (1 << 24))
            Total += Got;
        if (TotalBlocks > 1) {
            c_APEDecompress_Seek(Handle, TotalBlocks / 2);
            c_APEDecompress_GetData(Handle, Buffer.data(), 4096, &Got);
        }
    }
    c_APEDecompress_Destroy(Handle);
    return 0;
}
