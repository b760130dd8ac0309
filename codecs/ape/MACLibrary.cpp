#include "codecs/ape/MACLibrary.h"

#include <memory>

#include "platform/Paths.h"

namespace deraz {

namespace {

using TMACBinding = TCodecBinding<TMACApi>;

// The library beside the executable, else in the installation's private library folder, else
// wherever the system's loader finds it.
std::unique_ptr<const TMACBinding> LoadMACLibrary() {
    const char* FileName = CodecLibraryFileName(TCodecLibraryId::MAC);
    const auto Here = ExecutableDirectory();
    for (const auto& Folder : {Here, Here / DERAZ_PRIVATE_LIBRARY_DIR}) {
        auto Binding = std::make_unique<const TMACBinding>(NameOf(Folder / FileName));
        if (Binding->Loaded()) return Binding;
    }
    // Named plainly, so that its not-loaded message carries the plain file name.
    return std::make_unique<const TMACBinding>(TCodecLibraryId::MAC);
}

} // namespace

const TCodecBinding<TMACApi>& MACLibrary() {
    static const auto Library = LoadMACLibrary();
    return *Library;
}

} // namespace deraz
