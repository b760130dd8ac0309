#include "codecs/mp3/MadLibrary.h"

namespace deraz {

bool TMadApi::Bind(const TLibraryHandle& Library) {
    return Library.Fetch(decoder_init, "mad_decoder_init") &&
           Library.Fetch(decoder_finish, "mad_decoder_finish") &&
           Library.Fetch(decoder_run, "mad_decoder_run") &&
           Library.Fetch(decoder_message, "mad_decoder_message") &&
           Library.Fetch(stream_buffer, "mad_stream_buffer") &&
           Library.Fetch(stream_skip, "mad_stream_skip") && Library.Fetch(stream_sync, "mad_stream_sync");
}

const TMadBinding& MadLibrary() {
    static const TMadBinding Binding(TCodecLibraryId::MAD);
    return Binding;
}

} // namespace deraz
