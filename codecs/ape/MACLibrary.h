// Binding to the Monkey's Audio library: its entry points, fetched by name when it loads.
#pragma once

#include "codecs/CodecLibraries.h"
#include "macdll/MACDll.h"
#include "platform/CodecLibrary.h"

// Every entry point of the library, in its export order.
#define DERAZ_MAC_FUNCTIONS(X)                                                                               \
    X(ProgressCallback)                                                                                      \
    X(RemoveTag)                                                                                             \
    X(CompressFile)                                                                                          \
    X(ConvertFile)                                                                                           \
    X(DecompressFile)                                                                                        \
    X(FillWaveFormatEx)                                                                                      \
    X(FillWaveHeader)                                                                                        \
    X(GetID3Tag)                                                                                             \
    X(GetInterfaceCompatibility)                                                                             \
    X(GetVersionNumber)                                                                                      \
    X(ShowFileInfoDialog)                                                                                    \
    X(TagFileSimple)                                                                                         \
    X(VerifyFile)                                                                                            \
    X(c_APECompress_AddData)                                                                                 \
    X(c_APECompress_Create)                                                                                  \
    X(c_APECompress_Destroy)                                                                                 \
    X(c_APECompress_Finish)                                                                                  \
    X(c_APECompress_GetBufferBytesAvailable)                                                                 \
    X(c_APECompress_Kill)                                                                                    \
    X(c_APECompress_LockBuffer)                                                                              \
    X(c_APECompress_Start)                                                                                   \
    X(c_APECompress_UnlockBuffer)                                                                            \
    X(c_APEDecompress_Create)                                                                                \
    X(c_APEDecompress_Destroy)                                                                               \
    X(c_APEDecompress_GetData)                                                                               \
    X(c_APEDecompress_GetInfo)                                                                               \
    X(c_APEDecompress_Seek)

namespace deraz {

struct TMACApi {
    DERAZ_MAC_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_MAC_FUNCTIONS(DERAZ_API_FETCH) true; }
};

// The library, loaded on first use: from the executable's own folder if it is there, else
// through the default library search.
const TCodecBinding<TMACApi>& MACLibrary();

} // namespace deraz
