// The FLAC library's stream encoder and decoder: the entry points the FLAC components call,
// fetched by name when the library is first asked for.
#pragma once

#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>

#include "codecs/CodecLibraries.h"

// The entry points the binding fetches, in fetch order.
// clang-format off
#define DERAZ_FLAC_FUNCTIONS(X) \
    X(FLAC__stream_encoder_new) \
    X(FLAC__stream_encoder_delete) \
    X(FLAC__stream_encoder_set_verify) \
    X(FLAC__stream_encoder_set_streamable_subset) \
    X(FLAC__stream_encoder_set_do_mid_side_stereo) \
    X(FLAC__stream_encoder_set_loose_mid_side_stereo) \
    X(FLAC__stream_encoder_set_channels) \
    X(FLAC__stream_encoder_set_bits_per_sample) \
    X(FLAC__stream_encoder_set_sample_rate) \
    X(FLAC__stream_encoder_set_blocksize) \
    X(FLAC__stream_encoder_set_max_lpc_order) \
    X(FLAC__stream_encoder_set_qlp_coeff_precision) \
    X(FLAC__stream_encoder_set_do_qlp_coeff_prec_search) \
    X(FLAC__stream_encoder_set_do_escape_coding) \
    X(FLAC__stream_encoder_set_do_exhaustive_model_search) \
    X(FLAC__stream_encoder_set_min_residual_partition_order) \
    X(FLAC__stream_encoder_set_max_residual_partition_order) \
    X(FLAC__stream_encoder_set_total_samples_estimate) \
    X(FLAC__stream_encoder_set_metadata) \
    X(FLAC__stream_encoder_set_compression_level) \
    X(FLAC__stream_encoder_get_state) \
    X(FLAC__stream_encoder_get_verify_decoder_state) \
    X(FLAC__stream_encoder_get_resolved_state_string) \
    X(FLAC__stream_encoder_get_verify_decoder_error_stats) \
    X(FLAC__stream_encoder_get_verify) \
    X(FLAC__stream_encoder_get_streamable_subset) \
    X(FLAC__stream_encoder_get_do_mid_side_stereo) \
    X(FLAC__stream_encoder_get_loose_mid_side_stereo) \
    X(FLAC__stream_encoder_get_channels) \
    X(FLAC__stream_encoder_get_bits_per_sample) \
    X(FLAC__stream_encoder_get_sample_rate) \
    X(FLAC__stream_encoder_get_blocksize) \
    X(FLAC__stream_encoder_get_max_lpc_order) \
    X(FLAC__stream_encoder_get_qlp_coeff_precision) \
    X(FLAC__stream_encoder_get_do_qlp_coeff_prec_search) \
    X(FLAC__stream_encoder_get_do_escape_coding) \
    X(FLAC__stream_encoder_get_do_exhaustive_model_search) \
    X(FLAC__stream_encoder_get_min_residual_partition_order) \
    X(FLAC__stream_encoder_get_max_residual_partition_order) \
    X(FLAC__stream_encoder_get_total_samples_estimate) \
    X(FLAC__stream_encoder_init_stream) \
    X(FLAC__stream_encoder_finish) \
    X(FLAC__stream_encoder_process) \
    X(FLAC__stream_encoder_process_interleaved) \
    X(FLAC__stream_decoder_new) \
    X(FLAC__stream_decoder_delete) \
    X(FLAC__stream_decoder_set_md5_checking) \
    X(FLAC__stream_decoder_set_metadata_respond) \
    X(FLAC__stream_decoder_set_metadata_respond_application) \
    X(FLAC__stream_decoder_set_metadata_respond_all) \
    X(FLAC__stream_decoder_set_metadata_ignore) \
    X(FLAC__stream_decoder_set_metadata_ignore_application) \
    X(FLAC__stream_decoder_set_metadata_ignore_all) \
    X(FLAC__stream_decoder_get_state) \
    X(FLAC__stream_decoder_get_resolved_state_string) \
    X(FLAC__stream_decoder_get_md5_checking) \
    X(FLAC__stream_decoder_get_channels) \
    X(FLAC__stream_decoder_get_channel_assignment) \
    X(FLAC__stream_decoder_get_bits_per_sample) \
    X(FLAC__stream_decoder_get_sample_rate) \
    X(FLAC__stream_decoder_get_blocksize) \
    X(FLAC__stream_decoder_get_decode_position) \
    X(FLAC__stream_decoder_init_stream) \
    X(FLAC__stream_decoder_finish) \
    X(FLAC__stream_decoder_flush) \
    X(FLAC__stream_decoder_reset) \
    X(FLAC__stream_decoder_process_single) \
    X(FLAC__stream_decoder_process_until_end_of_metadata) \
    X(FLAC__stream_decoder_process_until_end_of_stream) \
    X(FLAC__stream_decoder_seek_absolute)
// clang-format on

namespace deraz {

struct TFLACApi {
    DERAZ_FLAC_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_FLAC_FUNCTIONS(DERAZ_API_FETCH) true; }
};

// The FLAC library, loaded on first use (the program's start-up asks for it in its turn).
const TCodecBinding<TFLACApi>& FLACLibrary();

} // namespace deraz
