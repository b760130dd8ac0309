// The LAME encoding library, loaded by file name when the first MP3 sink is created and
// released with the last one.
#pragma once

#include <lame/lame.h>
#include <mutex>

#include "codecs/CodecLibraries.h"

// The entry points the binding fetches, in fetch order.
// clang-format off
#define DERAZ_LAME_FUNCTIONS(X) \
    X(lame_init) \
    X(lame_set_num_samples) \
    X(lame_set_in_samplerate) \
    X(lame_set_num_channels) \
    X(lame_set_brate) \
    X(lame_init_params) \
    X(lame_get_out_samplerate) \
    X(lame_encode_buffer) \
    X(lame_encode_buffer_interleaved) \
    X(lame_encode_buffer_ieee_float) \
    X(lame_encode_buffer_interleaved_ieee_float) \
    X(lame_encode_flush) \
    X(lame_get_lametag_frame) \
    X(lame_close) \
    X(id3tag_init) \
    X(id3tag_set_title) \
    X(id3tag_set_artist) \
    X(id3tag_set_album) \
    X(id3tag_set_year) \
    X(id3tag_set_track) \
    X(id3tag_set_comment)
// clang-format on

namespace deraz {

struct TLameApi {
    DERAZ_LAME_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_LAME_FUNCTIONS(DERAZ_API_FETCH) true; }
};

using TLameBinding = TCodecBinding<TLameApi>;

// One use of the LAME library. The library is loaded by the first living user and unloaded
// when the last one goes; users may come and go on any thread.
class TLameLibraryUse {
public:
    // Raises EACSException "<file> library could not be loaded." when it cannot be loaded.
    TLameLibraryUse();
    ~TLameLibraryUse();
    TLameLibraryUse(const TLameLibraryUse&) = delete;
    TLameLibraryUse& operator=(const TLameLibraryUse&) = delete;

    const TLameApi& operator*() const { return Binding->Functions(); }
    const TLameApi* operator->() const { return &Binding->Functions(); }

    // Held while the encoder sets itself up: the library fills shared tables on first use.
    static std::mutex& SetupMutex();

private:
    const TLameBinding* Binding;
};

} // namespace deraz
