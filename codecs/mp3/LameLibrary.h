// The LAME encoding library, loaded by file name when the first MP3 sink is created and
// released with the last one.
#pragma once

#include <lame/lame.h>
#include <mutex>

#include "platform/CodecLibrary.h"

namespace deraz {

struct TLameApi {
    decltype(&lame_init) init;
    decltype(&lame_set_num_samples) set_num_samples;
    decltype(&lame_set_in_samplerate) set_in_samplerate;
    decltype(&lame_set_num_channels) set_num_channels;
    decltype(&lame_set_brate) set_brate;
    decltype(&lame_init_params) init_params;
    decltype(&lame_encode_buffer) encode_buffer;
    decltype(&lame_encode_buffer_interleaved) encode_buffer_interleaved;
    decltype(&lame_encode_flush) encode_flush;
    decltype(&lame_get_lametag_frame) get_lametag_frame;
    decltype(&lame_close) close;
    decltype(&id3tag_init) id3_init;
    decltype(&id3tag_set_title) id3_set_title;
    decltype(&id3tag_set_artist) id3_set_artist;
    decltype(&id3tag_set_album) id3_set_album;
    decltype(&id3tag_set_year) id3_set_year;
    decltype(&id3tag_set_track) id3_set_track;
    decltype(&id3tag_set_comment) id3_set_comment;

    bool Bind(const TLibraryHandle& Library);
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
