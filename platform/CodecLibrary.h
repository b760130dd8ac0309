// Loading codec libraries by file name and fetching their entry points by name.
#pragma once

#include <string>

namespace deraz {

// The codec libraries the program loads, in the order they are loaded at start.
enum class TCodecLibraryId {
    Ogg,
    Vorbis,
    VorbisFile,
    VorbisEnc,
    FLAC,
    MAD,
    MAC,
    LAME,
    Mpg123,
    Soxr,
    OpusFile,
    OpusEnc,
    AvUtil,
    AvCodec,
    AvFormat,
    WavPack
};

// File name of a codec library on this platform ("libFLAC.so.12" here, "libFLAC.dll" on Windows).
const char* CodecLibraryFileName(TCodecLibraryId Id);

// One loaded shared library; unloads it when destroyed.
class TLibraryHandle {
public:
    explicit TLibraryHandle(std::string FileName);
    ~TLibraryHandle();
    TLibraryHandle(const TLibraryHandle&) = delete;
    TLibraryHandle& operator=(const TLibraryHandle&) = delete;

    bool Loaded() const { return FHandle != nullptr; }
    const std::string& FileName() const { return FFileName; }

    // Looks up Name and stores it in Pointer; false (and Pointer null) when the library lacks it.
    template <class Function> bool Fetch(Function& Pointer, const char* Name) const {
        Pointer = reinterpret_cast<Function>(Symbol(Name));
        return Pointer != nullptr;
    }

private:
    void* Symbol(const char* Name) const;

    std::string FFileName;
    void* FHandle = nullptr;
};

// A library together with its table of entry points. Api is a struct of function pointers
// with a member `bool Bind(const TLibraryHandle&)` that fetches every one of them; a library
// that lacks any entry point counts as not loaded.
template <class Api> class TCodecBinding {
public:
    explicit TCodecBinding(std::string FileName) : FHandle(std::move(FileName)) {
        FLoaded = FHandle.Loaded() && FFunctions.Bind(FHandle);
    }
    explicit TCodecBinding(TCodecLibraryId Id) : TCodecBinding(std::string(CodecLibraryFileName(Id))) {}

    bool Loaded() const { return FLoaded; }
    const std::string& FileName() const { return FHandle.FileName(); }
    // The message a component raises when it is created without its library.
    std::string NotLoadedMessage() const { return FileName() + " library could not be loaded."; }

    const Api& Functions() const { return FFunctions; }
    const Api* operator->() const { return &FFunctions; }

private:
    TLibraryHandle FHandle;
    Api FFunctions{};
    bool FLoaded = false;
};

} // namespace deraz
