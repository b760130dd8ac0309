#include "codecs/mp3/LameLibrary.h"

#include <memory>
#include <mutex>

#include "pipeline/ACS_Classes.h"

namespace deraz {

namespace {

struct TSharedLame {
    std::mutex Mutex;
    int Users = 0;
    std::unique_ptr<TLameBinding> Binding;
};

TSharedLame& SharedLame() {
    static TSharedLame Shared;
    return Shared;
}

} // namespace

TLameLibraryUse::TLameLibraryUse() {
    auto& Shared = SharedLame();
    std::lock_guard Lock(Shared.Mutex);
    if (!Shared.Binding) Shared.Binding = std::make_unique<TLameBinding>(TCodecLibraryId::LAME);
    if (!Shared.Binding->Loaded()) {
        // Only an unusable library has no users yet.
        std::string Message = Shared.Binding->NotLoadedMessage();
        Shared.Binding.reset();
        throw EACSException(Message);
    }
    ++Shared.Users;
    Binding = Shared.Binding.get();
}

TLameLibraryUse::~TLameLibraryUse() {
    auto& Shared = SharedLame();
    std::lock_guard Lock(Shared.Mutex);
    if (--Shared.Users == 0) Shared.Binding.reset();
}

std::mutex& TLameLibraryUse::SetupMutex() {
    static std::mutex Mutex;
    return Mutex;
}

} // namespace deraz
