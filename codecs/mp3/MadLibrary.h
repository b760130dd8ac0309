// The libmad decoding library, loaded once at start.
#pragma once

#include <mad.h>

#include "platform/CodecLibrary.h"

namespace deraz {

struct TMadApi {
    decltype(&mad_decoder_init) decoder_init;
    decltype(&mad_decoder_finish) decoder_finish;
    decltype(&mad_decoder_run) decoder_run;
    decltype(&mad_decoder_message) decoder_message;
    decltype(&mad_stream_buffer) stream_buffer;
    decltype(&mad_stream_skip) stream_skip;
    decltype(&mad_stream_sync) stream_sync;

    bool Bind(const TLibraryHandle& Library);
};

using TMadBinding = TCodecBinding<TMadApi>;

// The program's one libmad binding, loaded on first use and kept until the program ends.
const TMadBinding& MadLibrary();

} // namespace deraz
