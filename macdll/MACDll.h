// C interface of libMACDll.so, our Monkey's Audio (.ape) codec library.
//
// Compression: c_APECompress_Create, then c_APECompress_Start (the library creates the file),
// any number of c_APECompress_LockBuffer/c_APECompress_UnlockBuffer (or c_APECompress_AddData)
// with interleaved little-endian PCM, c_APECompress_Finish, c_APECompress_Destroy.
// Decompression: c_APEDecompress_Create, c_APEDecompress_GetData/Seek/GetInfo,
// c_APEDecompress_Destroy. Every handle may be used by one thread at a time; different handles
// may be used by different threads at once. File names are UTF-8 on every system.
#pragma once

#include <stdint.h>

#include "platform/WaveFormatEx.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define MACDLL_EXPORT __declspec(dllexport)
#else
#define MACDLL_EXPORT __attribute__((visibility("default")))
#endif

// Error codes returned by the functions below (0 is success). With ERROR_IO_WRITE, errno holds
// the system's reason for the failed write.
enum {
    ERROR_SUCCESS = 0,
    ERROR_IO_READ = 1000,
    ERROR_IO_WRITE = 1001,
    ERROR_INVALID_INPUT_FILE = 1002,
    ERROR_INVALID_OUTPUT_FILE = 1003,
    ERROR_INPUT_FILE_TOO_LARGE = 1004,
    ERROR_INPUT_FILE_UNSUPPORTED_BIT_DEPTH = 1005,
    ERROR_INPUT_FILE_UNSUPPORTED_SAMPLE_RATE = 1006,
    ERROR_INPUT_FILE_UNSUPPORTED_CHANNEL_COUNT = 1007,
    ERROR_INPUT_FILE_TOO_SMALL = 1008,
    ERROR_INVALID_CHECKSUM = 1009,
    ERROR_DECOMPRESSING_FRAME = 1010,
    ERROR_INITIALIZING_UNMAC = 1011,
    ERROR_INVALID_FUNCTION_PARAMETER = 1012,
    ERROR_UNSUPPORTED_FILE_TYPE = 1013,
    ERROR_INSUFFICIENT_MEMORY = 2000,
    ERROR_USER_STOPPED_PROCESSING = 4000,
    ERROR_SKIPPED = 4001,
    ERROR_BAD_PARAMETER = 5000,
    ERROR_APE_COMPRESS_TOO_MUCH_DATA = 6000,
    ERROR_UNDEFINED = -1
};

// Compression levels.
enum {
    COMPRESSION_LEVEL_FAST = 1000,
    COMPRESSION_LEVEL_NORMAL = 2000,
    COMPRESSION_LEVEL_HIGH = 3000,
    COMPRESSION_LEVEL_EXTRA_HIGH = 4000,
    COMPRESSION_LEVEL_INSANE = 5000
};

// c_APECompress_Start's header byte count that stores no WAV header: decompressing to a WAV
// file then writes a canonical 44-byte header.
#define CREATE_WAV_HEADER_ON_DECOMPRESSION (-1)

// Field numbers of c_APEDecompress_GetInfo. Fields 1024 to 1026 copy into the buffer passed as
// Param1 (1024, 1025: at most Param2 bytes); all others return the value.
enum {
    APE_INFO_FILE_VERSION = 1000,
    APE_INFO_COMPRESSION_LEVEL = 1001,
    APE_INFO_FORMAT_FLAGS = 1002,
    APE_INFO_SAMPLE_RATE = 1003,
    APE_INFO_BITS_PER_SAMPLE = 1004,
    APE_INFO_BYTES_PER_SAMPLE = 1005,
    APE_INFO_CHANNELS = 1006,
    APE_INFO_BLOCK_ALIGN = 1007,
    APE_INFO_BLOCKS_PER_FRAME = 1008,
    APE_INFO_FINAL_FRAME_BLOCKS = 1009,
    APE_INFO_TOTAL_FRAMES = 1010,
    APE_INFO_WAV_HEADER_BYTES = 1011,
    APE_INFO_WAV_TERMINATING_BYTES = 1012,
    APE_INFO_WAV_DATA_BYTES = 1013,
    APE_INFO_WAV_TOTAL_BYTES = 1014,
    APE_INFO_APE_TOTAL_BYTES = 1015,
    APE_INFO_TOTAL_BLOCKS = 1016,
    APE_INFO_LENGTH_MS = 1017,
    APE_INFO_AVERAGE_BITRATE = 1018,
    APE_INFO_DECOMPRESSED_BITRATE = 1020,
    APE_INFO_WAV_HEADER_DATA = 1024,
    APE_INFO_WAV_TERMINATING_DATA = 1025,
    APE_INFO_WAVEFORMATEX = 1026,
    APE_DECOMPRESS_CURRENT_BLOCK = 2000,
    APE_DECOMPRESS_CURRENT_MS = 2001,
    APE_DECOMPRESS_TOTAL_BLOCKS = 2002,
    APE_DECOMPRESS_LENGTH_MS = 2003,
    APE_DECOMPRESS_AVERAGE_BITRATE = 2005
};

#pragma pack(push, 1)
// A canonical 44-byte PCM WAV header.
typedef struct WAVE_HEADER {
    char cRIFFHeader[4];
    uint32_t nRIFFBytes;
    char cDataTypeID[4];
    char cFormatHeader[4];
    uint32_t nFormatBytes;
    uint16_t nFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t nBitsPerSample;
    char cDataHeader[4];
    uint32_t nDataBytes;
} WAVE_HEADER;

// An ID3v1 tag as stored in the last 128 bytes of a file.
typedef struct ID3_TAG {
    char Header[3];
    char Title[30];
    char Artist[30];
    char Album[30];
    char Year[4];
    char Comment[29];
    unsigned char Track;
    unsigned char Genre;
} ID3_TAG;
#pragma pack(pop)

typedef void* APE_COMPRESS_HANDLE;
typedef void* APE_DECOMPRESS_HANDLE;
typedef void (*APE_PROGRESS_CALLBACK)(int PercentageDone);

// A progress callback that ignores the progress; may be passed to the file operations.
MACDLL_EXPORT void ProgressCallback(int PercentageDone);

// Whole-file operations. pPercentageDone (may be null) receives the progress, ProgressCallback
// (may be null) is called when it changes, and a non-zero *pKillFlag stops the work with
// ERROR_USER_STOPPED_PROCESSING (the unfinished output is removed).
MACDLL_EXPORT int CompressFile(const char* pInputFilename, const char* pOutputFilename, int nCompressionLevel,
                               int* pPercentageDone, APE_PROGRESS_CALLBACK ProgressCallback, int* pKillFlag);
MACDLL_EXPORT int DecompressFile(const char* pInputFilename, const char* pOutputFilename,
                                 int* pPercentageDone, APE_PROGRESS_CALLBACK ProgressCallback,
                                 int* pKillFlag);
MACDLL_EXPORT int ConvertFile(const char* pInputFilename, const char* pOutputFilename, int nCompressionLevel,
                              int* pPercentageDone, APE_PROGRESS_CALLBACK ProgressCallback, int* pKillFlag);
MACDLL_EXPORT int VerifyFile(const char* pInputFilename, int* pPercentageDone,
                             APE_PROGRESS_CALLBACK ProgressCallback, int* pKillFlag);

// Format helpers; both return 0.
MACDLL_EXPORT int FillWaveFormatEx(WAVEFORMATEX* pWaveFormatEx, int nSampleRate, int nBitsPerSample,
                                   int nChannels);
MACDLL_EXPORT int FillWaveHeader(WAVE_HEADER* pWAVHeader, int nAudioBytes, const WAVEFORMATEX* pWaveFormatEx,
                                 int nTerminatingBytes);

// Reads the ID3v1 tag at the end of a file: 0 when found, ERROR_UNDEFINED when the file has none.
MACDLL_EXPORT int GetID3Tag(const char* pFilename, ID3_TAG* pID3Tag);
// Tag editing and the information dialog are not provided: they return ERROR_UNDEFINED and leave
// the file untouched.
MACDLL_EXPORT int RemoveTag(const char* pFilename);
MACDLL_EXPORT int TagFileSimple(const char* pFilename, const char* pArtist, const char* pAlbum,
                                const char* pTitle, const char* pComment, const char* pGenre,
                                const char* pYear, const char* pTrack, int bClearFirst, int bUseOldID3);
MACDLL_EXPORT int ShowFileInfoDialog(const char* pFilename, void* hWnd);

// The file version this library writes (3990) and whether a caller built for nVersion can use
// it (0 yes, ERROR_UNDEFINED no).
MACDLL_EXPORT int GetVersionNumber(void);
MACDLL_EXPORT int GetInterfaceCompatibility(int nVersion, int bDisplayWarningsOnFailure, void* hParent);

// Compression.
MACDLL_EXPORT APE_COMPRESS_HANDLE c_APECompress_Create(int* pErrorCode);
MACDLL_EXPORT void c_APECompress_Destroy(APE_COMPRESS_HANDLE hAPECompress);
// nMaxAudioBytes: an upper bound of the PCM bytes to come, or -1 when unknown. pHeaderData and
// nHeaderBytes: the source's WAV header to store verbatim, or CREATE_WAV_HEADER_ON_DECOMPRESSION
// (or 0) to store none.
MACDLL_EXPORT int c_APECompress_Start(APE_COMPRESS_HANDLE hAPECompress, const char* pOutputFilename,
                                      const WAVEFORMATEX* pwfeInput, int nMaxAudioBytes,
                                      int nCompressionLevel, const void* pHeaderData, int nHeaderBytes);
MACDLL_EXPORT int c_APECompress_AddData(APE_COMPRESS_HANDLE hAPECompress, unsigned char* pData, int nBytes);
MACDLL_EXPORT int c_APECompress_GetBufferBytesAvailable(APE_COMPRESS_HANDLE hAPECompress);
// The library's input buffer and the number of bytes that may be put there (null on error).
MACDLL_EXPORT unsigned char* c_APECompress_LockBuffer(APE_COMPRESS_HANDLE hAPECompress, int* pBytesAvailable);
MACDLL_EXPORT int c_APECompress_UnlockBuffer(APE_COMPRESS_HANDLE hAPECompress, int nBytesAdded, int bProcess);
// Completes the file. pTerminatingData (nTerminatingBytes bytes, may be null) is appended after
// the audio; its first nWAVTerminatingBytes bytes are restored after the PCM when decompressing.
MACDLL_EXPORT int c_APECompress_Finish(APE_COMPRESS_HANDLE hAPECompress, unsigned char* pTerminatingData,
                                       int nTerminatingBytes, int nWAVTerminatingBytes);
// Abandons the file being written and removes it.
MACDLL_EXPORT int c_APECompress_Kill(APE_COMPRESS_HANDLE hAPECompress);

// Decompression. Create returns null (and the reason in *pErrorCode) when the file cannot be read.
MACDLL_EXPORT APE_DECOMPRESS_HANDLE c_APEDecompress_Create(const char* pFilename, int* pErrorCode);
MACDLL_EXPORT void c_APEDecompress_Destroy(APE_DECOMPRESS_HANDLE hAPEDecompress);
// Fills pBuffer with up to nBlocks blocks of interleaved PCM as stored in a WAV file. At the end
// of the audio it returns 0 with *pBlocksRetrieved 0. A frame that fails its checksum returns
// ERROR_INVALID_CHECKSUM (a corrupt frame ERROR_DECOMPRESSING_FRAME) with 0 blocks, and no audio
// of that frame is ever delivered.
MACDLL_EXPORT int c_APEDecompress_GetData(APE_DECOMPRESS_HANDLE hAPEDecompress, char* pBuffer, int nBlocks,
                                          int* pBlocksRetrieved);
// Later GetData calls start at block nBlockOffset (0 ... total blocks).
MACDLL_EXPORT int c_APEDecompress_Seek(APE_DECOMPRESS_HANDLE hAPEDecompress, int nBlockOffset);
MACDLL_EXPORT int64_t c_APEDecompress_GetInfo(APE_DECOMPRESS_HANDLE hAPEDecompress, int Field,
                                              int64_t nParam1, int64_t nParam2);

#ifdef __cplusplus
}
#endif
