#include "codecs/mp3/LameLibrary.h"

#include <memory>
#include <mutex>

#include "pipeline/ACS_Classes.h"

namespace deraz {

bool TLameApi::Bind(const TLibraryHandle& Library) {
    return Library.Fetch(init, "lame_init") && Library.Fetch(set_num_samples, "lame_set_num_samples") &&
           Library.Fetch(set_in_samplerate, "lame_set_in_samplerate") &&
           Library.Fetch(set_num_channels, "lame_set_num_channels") &&
           Library.Fetch(set_brate, "lame_set_brate") && Library.Fetch(init_params, "lame_init_params") &&
           Library.Fetch(encode_buffer, "lame_encode_buffer") &&
           Library.Fetch(encode_buffer_interleaved, "lame_encode_buffer_interleaved") &&
           Library.Fetch(encode_flush, "lame_encode_flush") &&
           Library.Fetch(get_lametag_frame, "lame_get_lametag_frame") && Library.Fetch(close, "lame_close") &&
           Library.Fetch(id3_init, "id3tag_init") && Library.Fetch(id3_set_title, "id3tag_set_title") &&
           Library.Fetch(id3_set_artist, "id3tag_set_artist") &&
           Library.Fetch(id3_set_album, "id3tag_set_album") &&
           Library.Fetch(id3_set_year, "id3tag_set_year") &&
           Library.Fetch(id3_set_track, "id3tag_set_track") &&
           Library.Fetch(id3_set_comment, "id3tag_set_comment");
}

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
