#include "platform/CodecLibrary.h"
#include "platform/Paths.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace deraz {

namespace {

struct TLibraryFileNames {
    TCodecLibraryId Id;
    const char* Windows;
    const char* Linux;
};

// The one table of library file names; a port changes only this.
constexpr TLibraryFileNames LibraryFileNames[] = {
    {TCodecLibraryId::Ogg, "ogg.dll", "libogg.so.0"},
    {TCodecLibraryId::Vorbis, "vorbis.dll", "libvorbis.so.0"},
    {TCodecLibraryId::VorbisFile, "vorbisfile.dll", "libvorbisfile.so.3"},
    {TCodecLibraryId::VorbisEnc, "vorbisenc.dll", "libvorbisenc.so.2"},
    {TCodecLibraryId::FLAC, "libFLAC.dll", "libFLAC.so.12"},
    {TCodecLibraryId::MAD, "MADLib.dll", "libmad.so.0"},
    {TCodecLibraryId::MAC, "MACDll.dll", "libMACDll.so"},
    {TCodecLibraryId::LAME, "lame_enc.dll", "libmp3lame.so.0"},
    {TCodecLibraryId::Mpg123, "libmpg123-0.dll", "libmpg123.so.0"},
    {TCodecLibraryId::Soxr, "libsoxr.dll", "libsoxr.so.0"},
    {TCodecLibraryId::OpusFile, "libopusfile-0.dll", "libopusfile.so.0"},
    {TCodecLibraryId::OpusEnc, "libopusenc-0.dll", "libopusenc.so.0"},
    {TCodecLibraryId::AvUtil, "avutil-57.dll", "libavutil.so.57"},
    {TCodecLibraryId::AvCodec, "avcodec-59.dll", "libavcodec.so.59"},
    {TCodecLibraryId::AvFormat, "avformat-59.dll", "libavformat.so.59"},
    {TCodecLibraryId::WavPack, "wavpackdll.dll", "libwavpack.so.1"},
};

} // namespace

const char* CodecLibraryFileName(TCodecLibraryId Id) {
    for (const auto& Entry : LibraryFileNames)
        if (Entry.Id == Id) {
#ifdef _WIN32
            return Entry.Windows;
#else
            return Entry.Linux;
#endif
        }
    return "";
}

#ifdef _WIN32
TLibraryHandle::TLibraryHandle(std::string FileName) : FFileName(std::move(FileName)) {
    // The name is UTF-8: the wide call takes every name the folder may have.
    FHandle = reinterpret_cast<void*>(LoadLibraryW(PathOf(FFileName).c_str()));
}
TLibraryHandle::~TLibraryHandle() {
    if (FHandle) FreeLibrary(reinterpret_cast<HMODULE>(FHandle));
}
void* TLibraryHandle::Symbol(const char* Name) const {
    return FHandle ? reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(FHandle), Name))
                   : nullptr;
}
#else
TLibraryHandle::TLibraryHandle(std::string FileName) : FFileName(std::move(FileName)) {
    // The library stays mapped until the process ends, whatever dlclose says: unloading saves
    // little, while a library's thread-local or exit handlers must never outlive its code, and a
    // leak report can still name the library it comes from.
    FHandle = dlopen(FFileName.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}
TLibraryHandle::~TLibraryHandle() {
    if (FHandle) dlclose(FHandle);
}
void* TLibraryHandle::Symbol(const char* Name) const {
    return FHandle ? dlsym(FHandle, Name) : nullptr;
}
#endif

} // namespace deraz
