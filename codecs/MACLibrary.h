// Binding to the Monkey's Audio library: its entry points, fetched by name when it loads.
#pragma once

#include "macdll/MACDll.h"
#include "platform/CodecLibrary.h"

namespace deraz {

struct TMACApi {
    decltype(&::ProgressCallback) ProgressCallback;
    decltype(&::RemoveTag) RemoveTag;
    decltype(&::CompressFile) CompressFile;
    decltype(&::ConvertFile) ConvertFile;
    decltype(&::DecompressFile) DecompressFile;
    decltype(&::FillWaveFormatEx) FillWaveFormatEx;
    decltype(&::FillWaveHeader) FillWaveHeader;
    decltype(&::GetID3Tag) GetID3Tag;
    decltype(&::GetInterfaceCompatibility) GetInterfaceCompatibility;
    decltype(&::GetVersionNumber) GetVersionNumber;
    decltype(&::ShowFileInfoDialog) ShowFileInfoDialog;
    decltype(&::TagFileSimple) TagFileSimple;
    decltype(&::VerifyFile) VerifyFile;
    decltype(&::c_APECompress_AddData) APECompress_AddData;
    decltype(&::c_APECompress_Create) APECompress_Create;
    decltype(&::c_APECompress_Destroy) APECompress_Destroy;
    decltype(&::c_APECompress_Finish) APECompress_Finish;
    decltype(&::c_APECompress_GetBufferBytesAvailable) APECompress_GetBufferBytesAvailable;
    decltype(&::c_APECompress_Kill) APECompress_Kill;
    decltype(&::c_APECompress_LockBuffer) APECompress_LockBuffer;
    decltype(&::c_APECompress_Start) APECompress_Start;
    decltype(&::c_APECompress_UnlockBuffer) APECompress_UnlockBuffer;
    decltype(&::c_APEDecompress_Create) APEDecompress_Create;
    decltype(&::c_APEDecompress_Destroy) APEDecompress_Destroy;
    decltype(&::c_APEDecompress_GetData) APEDecompress_GetData;
    decltype(&::c_APEDecompress_GetInfo) APEDecompress_GetInfo;
    decltype(&::c_APEDecompress_Seek) APEDecompress_Seek;

    bool Bind(const TLibraryHandle& Library);
};

// The library, loaded on first use: from the executable's own folder if it is there, else
// through the default library search.
const TCodecBinding<TMACApi>& MACLibrary();

} // namespace deraz
