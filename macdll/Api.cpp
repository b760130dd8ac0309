// The exported C interface: handles, error codes and the decoder's information fields.
#include "macdll/MACDll.h"

#include "macdll/Decoder.h"
#include "macdll/Encoder.h"
#include "macdll/Guarded.h"
#include "macdll/WaveFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

using namespace deraz::ape;

namespace {

// The compressor behind a handle: the encoder exists between Start and Finish.
struct TCompressHandle {
    std::unique_ptr<TEncoder> Encoder;
};

TCompressHandle* Compressor(APE_COMPRESS_HANDLE Handle) {
    return static_cast<TCompressHandle*>(Handle);
}
TDecoder* Decompressor(APE_DECOMPRESS_HANDLE Handle) {
    return static_cast<TDecoder*>(Handle);
}

int64_t LengthMs(const TApeFileInfo& Info) {
    return Info.TotalBlocks() * 1000 / Info.SampleRate;
}

int64_t CopyOut(int64_t Destination, int64_t Capacity, const std::vector<uint8_t>& Data) {
    if (!Destination) return ERROR_INVALID_FUNCTION_PARAMETER;
    const size_t Bytes = std::min(Data.size(), size_t(std::max<int64_t>(Capacity, 0)));
    if (Bytes) std::memcpy(reinterpret_cast<void*>(Destination), Data.data(), Bytes);
    return ERROR_SUCCESS;
}

int64_t DecoderInfo(TDecoder& D, int Field, int64_t Param1, int64_t Param2) {
    const TApeFileInfo& I = D.Info();
    const int64_t DataBytes = I.TotalBlocks() * I.BlockAlign();
    const int64_t HeaderBytes =
        I.HeaderData.empty() ? int64_t(CanonicalWavHeaderBytes) : int64_t(I.HeaderData.size());
    const int64_t Ms = LengthMs(I);
    switch (Field) {
    case APE_INFO_FILE_VERSION:
        return I.Version;
    case APE_INFO_COMPRESSION_LEVEL:
        return I.Level;
    case APE_INFO_FORMAT_FLAGS:
        return I.Flags;
    case APE_INFO_SAMPLE_RATE:
        return I.SampleRate;
    case APE_INFO_BITS_PER_SAMPLE:
        return I.BitsPerSample;
    case APE_INFO_BYTES_PER_SAMPLE:
        return I.BitsPerSample / 8;
    case APE_INFO_CHANNELS:
        return I.Channels;
    case APE_INFO_BLOCK_ALIGN:
        return I.BlockAlign();
    case APE_INFO_BLOCKS_PER_FRAME:
        return I.BlocksPerFrame;
    case APE_INFO_FINAL_FRAME_BLOCKS:
        return I.FinalFrameBlocks;
    case APE_INFO_TOTAL_FRAMES:
        return I.TotalFrames;
    case APE_INFO_WAV_HEADER_BYTES:
        return HeaderBytes;
    case APE_INFO_WAV_TERMINATING_BYTES:
        return I.TerminatingBytes;
    case APE_INFO_WAV_DATA_BYTES:
        return DataBytes;
    case APE_INFO_WAV_TOTAL_BYTES:
        return HeaderBytes + DataBytes + I.TerminatingBytes;
    case APE_INFO_APE_TOTAL_BYTES:
        return D.FileSize();
    case APE_INFO_TOTAL_BLOCKS:
    case APE_DECOMPRESS_TOTAL_BLOCKS:
        return I.TotalBlocks();
    case APE_INFO_LENGTH_MS:
    case APE_DECOMPRESS_LENGTH_MS:
        return Ms;
    case APE_INFO_AVERAGE_BITRATE:
    case APE_DECOMPRESS_AVERAGE_BITRATE:
        return Ms ? D.FileSize() * 8 / Ms : 0;
    case APE_INFO_DECOMPRESSED_BITRATE:
        return int64_t(I.BlockAlign()) * I.SampleRate * 8 / 1000;
    case APE_INFO_WAV_HEADER_DATA:
        return CopyOut(Param1, Param2, I.HeaderData.empty() ? CanonicalWavHeader(I) : I.HeaderData);
    case APE_INFO_WAV_TERMINATING_DATA:
        return CopyOut(Param1, Param2, I.Terminating);
    case APE_INFO_WAVEFORMATEX: {
        if (!Param1) return ERROR_INVALID_FUNCTION_PARAMETER;
        FillWaveFormatEx(reinterpret_cast<WAVEFORMATEX*>(Param1), I.SampleRate, I.BitsPerSample, I.Channels);
        return ERROR_SUCCESS;
    }
    case APE_DECOMPRESS_CURRENT_BLOCK:
        return D.CurrentBlock();
    case APE_DECOMPRESS_CURRENT_MS:
        return D.CurrentBlock() * 1000 / I.SampleRate;
    default:
        return ERROR_INVALID_FUNCTION_PARAMETER;
    }
}

} // namespace

extern "C" {

APE_COMPRESS_HANDLE c_APECompress_Create(int* pErrorCode) {
    std::unique_ptr<TCompressHandle> Handle;
    const int Error = Guarded([&] {
        Handle = std::make_unique<TCompressHandle>();
        return ERROR_SUCCESS;
    });
    if (pErrorCode) *pErrorCode = Error;
    return Handle.release();
}

void c_APECompress_Destroy(APE_COMPRESS_HANDLE hAPECompress) {
    std::unique_ptr<TCompressHandle> Owned(Compressor(hAPECompress));
}

int c_APECompress_Start(APE_COMPRESS_HANDLE hAPECompress, const char* pOutputFilename,
                        const WAVEFORMATEX* pwfeInput, int nMaxAudioBytes, int nCompressionLevel,
                        const void* pHeaderData, int nHeaderBytes) {
    TCompressHandle* H = Compressor(hAPECompress);
    if (!H || !pOutputFilename || !pwfeInput || H->Encoder) return ERROR_INVALID_FUNCTION_PARAMETER;
    if (pwfeInput->wFormatTag != WaveFormatPcm) return ERROR_UNSUPPORTED_FILE_TYPE;
    const TPcmFormat Format{int32_t(pwfeInput->nSamplesPerSec), pwfeInput->wBitsPerSample,
                            pwfeInput->nChannels};
    const bool Stored = pHeaderData && nHeaderBytes > 0;
    return Guarded([&] {
        return TEncoder::Start(pOutputFilename, Format, nMaxAudioBytes, nCompressionLevel,
                               Stored ? static_cast<const uint8_t*>(pHeaderData) : nullptr,
                               Stored ? size_t(nHeaderBytes) : 0, H->Encoder);
    });
}

int c_APECompress_AddData(APE_COMPRESS_HANDLE hAPECompress, unsigned char* pData, int nBytes) {
    TCompressHandle* H = Compressor(hAPECompress);
    if (!H || !H->Encoder || nBytes < 0 || (!pData && nBytes)) return ERROR_INVALID_FUNCTION_PARAMETER;
    return Guarded([&] { return H->Encoder->AddData(pData, size_t(nBytes)); });
}

int c_APECompress_GetBufferBytesAvailable(APE_COMPRESS_HANDLE hAPECompress) {
    TCompressHandle* H = Compressor(hAPECompress);
    return H && H->Encoder ? int(H->Encoder->BufferFree()) : 0;
}

unsigned char* c_APECompress_LockBuffer(APE_COMPRESS_HANDLE hAPECompress, int* pBytesAvailable) {
    TCompressHandle* H = Compressor(hAPECompress);
    if (pBytesAvailable) *pBytesAvailable = H && H->Encoder ? int(H->Encoder->BufferFree()) : 0;
    return H && H->Encoder ? H->Encoder->Buffer() : nullptr;
}

int c_APECompress_UnlockBuffer(APE_COMPRESS_HANDLE hAPECompress, int nBytesAdded, int /*bProcess*/) {
    TCompressHandle* H = Compressor(hAPECompress);
    if (!H || !H->Encoder || nBytesAdded < 0) return ERROR_INVALID_FUNCTION_PARAMETER;
    return Guarded([&] { return H->Encoder->Commit(size_t(nBytesAdded)); });
}

int c_APECompress_Finish(APE_COMPRESS_HANDLE hAPECompress, unsigned char* pTerminatingData,
                         int nTerminatingBytes, int nWAVTerminatingBytes) {
    TCompressHandle* H = Compressor(hAPECompress);
    if (!H || !H->Encoder) return ERROR_INVALID_FUNCTION_PARAMETER;
    const int Result = Guarded([&] {
        return H->Encoder->Finish(pTerminatingData, size_t(std::max(nTerminatingBytes, 0)),
                                  size_t(std::max(nWAVTerminatingBytes, 0)));
    });
    // Closing the file must not replace the reason of a failed write.
    const int WriteErrno = errno;
    H->Encoder.reset();
    errno = WriteErrno;
    return Result;
}

int c_APECompress_Kill(APE_COMPRESS_HANDLE hAPECompress) {
    TCompressHandle* H = Compressor(hAPECompress);
    if (!H || !H->Encoder) return ERROR_INVALID_FUNCTION_PARAMETER;
    H->Encoder->Kill();
    H->Encoder.reset();
    return ERROR_SUCCESS;
}

APE_DECOMPRESS_HANDLE c_APEDecompress_Create(const char* pFilename, int* pErrorCode) {
    std::unique_ptr<TDecoder> Decoder;
    const int Error = pFilename ? Guarded([&] { return TDecoder::Open(pFilename, Decoder); })
                                : int(ERROR_INVALID_FUNCTION_PARAMETER);
    if (pErrorCode) *pErrorCode = Error;
    return Decoder.release();
}

void c_APEDecompress_Destroy(APE_DECOMPRESS_HANDLE hAPEDecompress) {
    std::unique_ptr<TDecoder> Owned(Decompressor(hAPEDecompress));
}

int c_APEDecompress_GetData(APE_DECOMPRESS_HANDLE hAPEDecompress, char* pBuffer, int nBlocks,
                            int* pBlocksRetrieved) {
    if (pBlocksRetrieved) *pBlocksRetrieved = 0;
    TDecoder* D = Decompressor(hAPEDecompress);
    if (!D || !pBuffer || nBlocks < 0) return ERROR_INVALID_FUNCTION_PARAMETER;
    return Guarded([&] {
        int64_t Retrieved = 0;
        const int Error = D->GetData(reinterpret_cast<uint8_t*>(pBuffer), nBlocks, Retrieved);
        if (pBlocksRetrieved) *pBlocksRetrieved = int(Retrieved);
        return Error;
    });
}

int c_APEDecompress_Seek(APE_DECOMPRESS_HANDLE hAPEDecompress, int nBlockOffset) {
    TDecoder* D = Decompressor(hAPEDecompress);
    return D ? D->Seek(nBlockOffset) : int(ERROR_INVALID_FUNCTION_PARAMETER);
}

int64_t c_APEDecompress_GetInfo(APE_DECOMPRESS_HANDLE hAPEDecompress, int Field, int64_t nParam1,
                                int64_t nParam2) {
    TDecoder* D = Decompressor(hAPEDecompress);
    return D ? DecoderInfo(*D, Field, nParam1, nParam2) : int64_t(ERROR_INVALID_FUNCTION_PARAMETER);
}

} // extern "C"
