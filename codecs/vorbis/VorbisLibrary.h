// Bindings of the Ogg, Vorbis, vorbisfile and vorbisenc libraries: the entry points the Ogg
// Vorbis components call, fetched by name when each library is first asked for.
#pragma once

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
// Only the callback interface is used; the header's stdio callbacks are not wanted.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "codecs/CodecLibraries.h"

// The entry points each binding fetches.
// clang-format off
#define DERAZ_OGG_FUNCTIONS(X) \
    X(ogg_stream_init) \
    X(ogg_stream_packetin) \
    X(ogg_stream_pageout) \
    X(ogg_stream_flush) \
    X(ogg_page_eos) \
    X(ogg_stream_clear)

#define DERAZ_VORBIS_FUNCTIONS(X) \
    X(vorbis_info_init) \
    X(vorbis_comment_init) \
    X(vorbis_comment_add_tag) \
    X(vorbis_analysis_init) \
    X(vorbis_block_init) \
    X(vorbis_analysis_headerout) \
    X(vorbis_analysis_buffer) \
    X(vorbis_analysis_wrote) \
    X(vorbis_analysis_blockout) \
    X(vorbis_analysis) \
    X(vorbis_bitrate_addblock) \
    X(vorbis_bitrate_flushpacket) \
    X(vorbis_block_clear) \
    X(vorbis_dsp_clear) \
    X(vorbis_comment_clear) \
    X(vorbis_info_clear)

#define DERAZ_VORBISFILE_FUNCTIONS(X) \
    X(ov_open_callbacks) \
    X(ov_comment) \
    X(ov_info) \
    X(ov_pcm_total) \
    X(ov_streams) \
    X(ov_pcm_seek) \
    X(ov_pcm_tell) \
    X(ov_read) \
    X(ov_clear)

#define DERAZ_VORBISENC_FUNCTIONS(X) \
    X(vorbis_encode_init) \
    X(vorbis_encode_init_vbr)
// clang-format on

namespace deraz {

struct TOggApi {
    DERAZ_OGG_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_OGG_FUNCTIONS(DERAZ_API_FETCH) true; }
};

struct TVorbisApi {
    DERAZ_VORBIS_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_VORBIS_FUNCTIONS(DERAZ_API_FETCH) true; }
};

struct TVorbisFileApi {
    DERAZ_VORBISFILE_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_VORBISFILE_FUNCTIONS(DERAZ_API_FETCH) true; }
};

struct TVorbisEncApi {
    DERAZ_VORBISENC_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_VORBISENC_FUNCTIONS(DERAZ_API_FETCH) true; }
};

// Each library is loaded on the first call and kept until the program ends.
const TCodecBinding<TOggApi>& OggLibrary();
const TCodecBinding<TVorbisApi>& VorbisLibrary();
const TCodecBinding<TVorbisFileApi>& VorbisFileLibrary();
const TCodecBinding<TVorbisEncApi>& VorbisEncLibrary();

// Raises the first missing library's message, checking ogg, vorbis, vorbisfile, vorbisenc.
void RequireVorbisLibraries();

} // namespace deraz
