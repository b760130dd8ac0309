#include "codecs/MACLibrary.h"

#include <filesystem>

namespace deraz {

bool TMACApi::Bind(const TLibraryHandle& Library) {
    // Every name is fetched, in the library's export order, even when an earlier one is missing.
    bool Ok = true;
    auto Get = [&](auto& Pointer, const char* Name) { Ok = Library.Fetch(Pointer, Name) && Ok; };
    Get(ProgressCallback, "ProgressCallback");
    Get(RemoveTag, "RemoveTag");
    Get(CompressFile, "CompressFile");
    Get(ConvertFile, "ConvertFile");
    Get(DecompressFile, "DecompressFile");
    Get(FillWaveFormatEx, "FillWaveFormatEx");
    Get(FillWaveHeader, "FillWaveHeader");
    Get(GetID3Tag, "GetID3Tag");
    Get(GetInterfaceCompatibility, "GetInterfaceCompatibility");
    Get(GetVersionNumber, "GetVersionNumber");
    Get(ShowFileInfoDialog, "ShowFileInfoDialog");
    Get(TagFileSimple, "TagFileSimple");
    Get(VerifyFile, "VerifyFile");
    Get(APECompress_AddData, "c_APECompress_AddData");
    Get(APECompress_Create, "c_APECompress_Create");
    Get(APECompress_Destroy, "c_APECompress_Destroy");
    Get(APECompress_Finish, "c_APECompress_Finish");
    Get(APECompress_GetBufferBytesAvailable, "c_APECompress_GetBufferBytesAvailable");
    Get(APECompress_Kill, "c_APECompress_Kill");
    Get(APECompress_LockBuffer, "c_APECompress_LockBuffer");
    Get(APECompress_Start, "c_APECompress_Start");
    Get(APECompress_UnlockBuffer, "c_APECompress_UnlockBuffer");
    Get(APEDecompress_Create, "c_APEDecompress_Create");
    Get(APEDecompress_Destroy, "c_APEDecompress_Destroy");
    Get(APEDecompress_GetData, "c_APEDecompress_GetData");
    Get(APEDecompress_GetInfo, "c_APEDecompress_GetInfo");
    Get(APEDecompress_Seek, "c_APEDecompress_Seek");
    return Ok;
}

namespace {

// The library's path in the folder of the running executable; the plain name when that folder
// is unknown.
std::string BesideExecutable(const char* FileName) {
    std::error_code Error;
    auto Executable = std::filesystem::read_symlink("/proc/self/exe", Error);
    if (Error) return FileName;
    return (Executable.parent_path() / FileName).string();
}

} // namespace

const TCodecBinding<TMACApi>& MACLibrary() {
    static const TCodecBinding<TMACApi> Beside(BesideExecutable(CodecLibraryFileName(TCodecLibraryId::MAC)));
    if (Beside.Loaded()) return Beside;
    // Named plainly, so that its not-loaded message carries the plain file name.
    static const TCodecBinding<TMACApi> Default(TCodecLibraryId::MAC);
    return Default;
}

} // namespace deraz
