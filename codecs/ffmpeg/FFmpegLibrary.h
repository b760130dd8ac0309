// FFmpeg's libavformat, libavcodec and libavutil: the entry points the MPEG-4 and other FFmpeg
// components call, fetched by name when a component first asks for them. A missing library
// fails only the files that need it.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include "codecs/CodecLibraries.h"

// The entry points each binding fetches, in fetch order.
// clang-format off
#define DERAZ_AVUTIL_FUNCTIONS(X) \
    X(av_malloc) \
    X(av_free) \
    X(av_frame_alloc) \
    X(av_frame_free) \
    X(av_frame_unref) \
    X(av_frame_get_buffer) \
    X(av_frame_make_writable) \
    X(av_dict_set) \
    X(av_dict_get) \
    X(av_dict_free) \
    X(av_channel_layout_from_mask) \
    X(av_channel_layout_compare) \
    X(av_channel_layout_copy) \
    X(av_channel_layout_uninit) \
    X(av_channel_layout_describe) \
    X(av_get_bytes_per_sample) \
    X(av_sample_fmt_is_planar) \
    X(av_rescale_q) \
    X(av_opt_set_int) \
    X(av_log_set_level)

#define DERAZ_AVCODEC_FUNCTIONS(X) \
    X(avcodec_find_decoder) \
    X(avcodec_find_encoder_by_name) \
    X(avcodec_alloc_context3) \
    X(avcodec_free_context) \
    X(avcodec_parameters_to_context) \
    X(avcodec_parameters_from_context) \
    X(avcodec_open2) \
    X(avcodec_send_packet) \
    X(avcodec_receive_frame) \
    X(avcodec_send_frame) \
    X(avcodec_receive_packet) \
    X(avcodec_flush_buffers) \
    X(avcodec_get_name) \
    X(avcodec_profile_name) \
    X(av_packet_alloc) \
    X(av_packet_free) \
    X(av_packet_unref) \
    X(av_packet_rescale_ts)

#define DERAZ_AVFORMAT_FUNCTIONS(X) \
    X(avformat_alloc_context) \
    X(avformat_open_input) \
    X(avformat_find_stream_info) \
    X(avformat_close_input) \
    X(av_read_frame) \
    X(avformat_alloc_output_context2) \
    X(avformat_free_context) \
    X(avformat_new_stream) \
    X(avformat_write_header) \
    X(av_write_frame) \
    X(av_write_trailer) \
    X(avio_alloc_context) \
    X(avio_context_free) \
    X(avio_flush)
// clang-format on

namespace deraz {

struct TAvUtilApi {
    DERAZ_AVUTIL_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_AVUTIL_FUNCTIONS(DERAZ_API_FETCH) true; }
};
struct TAvCodecApi {
    DERAZ_AVCODEC_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_AVCODEC_FUNCTIONS(DERAZ_API_FETCH) true; }
};
struct TAvFormatApi {
    DERAZ_AVFORMAT_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_AVFORMAT_FUNCTIONS(DERAZ_API_FETCH) true; }
};

// The program's bindings, each loaded on first use.
const TCodecBinding<TAvUtilApi>& AvUtilLibrary();
const TCodecBinding<TAvCodecApi>& AvCodecLibrary();
const TCodecBinding<TAvFormatApi>& AvFormatLibrary();

// Whether all three loaded (FFmpeg's own messages silenced once they have); the first missing
// library's "<file> library could not be loaded." otherwise.
bool FFmpegLoaded();
// Raises the first missing library's message.
void RequireFFmpeg();

} // namespace deraz
