// The FLAC library's stream encoder and decoder, loaded by file name at start.
#pragma once

#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>

#include "platform/CodecLibrary.h"

namespace deraz {

// Every entry point the binding fetches, as (member, library name), in fetch order.
#define DERAZ_FLAC_FUNCTIONS(X)                                                                              \
    X(encoder_new, FLAC__stream_encoder_new)                                                                 \
    X(encoder_delete, FLAC__stream_encoder_delete)                                                           \
    X(encoder_set_verify, FLAC__stream_encoder_set_verify)                                                   \
    X(encoder_set_streamable_subset, FLAC__stream_encoder_set_streamable_subset)                             \
    X(encoder_set_do_mid_side_stereo, FLAC__stream_encoder_set_do_mid_side_stereo)                           \
    X(encoder_set_loose_mid_side_stereo, FLAC__stream_encoder_set_loose_mid_side_stereo)                     \
    X(encoder_set_channels, FLAC__stream_encoder_set_channels)                                               \
    X(encoder_set_bits_per_sample, FLAC__stream_encoder_set_bits_per_sample)                                 \
    X(encoder_set_sample_rate, FLAC__stream_encoder_set_sample_rate)                                         \
    X(encoder_set_blocksize, FLAC__stream_encoder_set_blocksize)                                             \
    X(encoder_set_max_lpc_order, FLAC__stream_encoder_set_max_lpc_order)                                     \
    X(encoder_set_qlp_coeff_precision, FLAC__stream_encoder_set_qlp_coeff_precision)                         \
    X(encoder_set_do_qlp_coeff_prec_search, FLAC__stream_encoder_set_do_qlp_coeff_prec_search)               \
    X(encoder_set_do_escape_coding, FLAC__stream_encoder_set_do_escape_coding)                               \
    X(encoder_set_do_exhaustive_model_search, FLAC__stream_encoder_set_do_exhaustive_model_search)           \
    X(encoder_set_min_residual_partition_order, FLAC__stream_encoder_set_min_residual_partition_order)       \
    X(encoder_set_max_residual_partition_order, FLAC__stream_encoder_set_max_residual_partition_order)       \
    X(encoder_set_total_samples_estimate, FLAC__stream_encoder_set_total_samples_estimate)                   \
    X(encoder_set_metadata, FLAC__stream_encoder_set_metadata)                                               \
    X(encoder_get_state, FLAC__stream_encoder_get_state)                                                     \
    X(encoder_get_verify_decoder_state, FLAC__stream_encoder_get_verify_decoder_state)                       \
    X(encoder_get_resolved_state_string, FLAC__stream_encoder_get_resolved_state_string)                     \
    X(encoder_get_verify_decoder_error_stats, FLAC__stream_encoder_get_verify_decoder_error_stats)           \
    X(encoder_get_verify, FLAC__stream_encoder_get_verify)                                                   \
    X(encoder_get_streamable_subset, FLAC__stream_encoder_get_streamable_subset)                             \
    X(encoder_get_do_mid_side_stereo, FLAC__stream_encoder_get_do_mid_side_stereo)                           \
    X(encoder_get_loose_mid_side_stereo, FLAC__stream_encoder_get_loose_mid_side_stereo)                     \
    X(encoder_get_channels, FLAC__stream_encoder_get_channels)                                               \
    X(encoder_get_bits_per_sample, FLAC__stream_encoder_get_bits_per_sample)                                 \
    X(encoder_get_sample_rate, FLAC__stream_encoder_get_sample_rate)                                         \
    X(encoder_get_blocksize, FLAC__stream_encoder_get_blocksize)                                             \
    X(encoder_get_max_lpc_order, FLAC__stream_encoder_get_max_lpc_order)                                     \
    X(encoder_get_qlp_coeff_precision, FLAC__stream_encoder_get_qlp_coeff_precision)                         \
    X(encoder_get_do_qlp_coeff_prec_search, FLAC__stream_encoder_get_do_qlp_coeff_prec_search)               \
    X(encoder_get_do_escape_coding, FLAC__stream_encoder_get_do_escape_coding)                               \
    X(encoder_get_do_exhaustive_model_search, FLAC__stream_encoder_get_do_exhaustive_model_search)           \
    X(encoder_get_min_residual_partition_order, FLAC__stream_encoder_get_min_residual_partition_order)       \
    X(encoder_get_max_residual_partition_order, FLAC__stream_encoder_get_max_residual_partition_order)       \
    X(encoder_get_total_samples_estimate, FLAC__stream_encoder_get_total_samples_estimate)                   \
    X(encoder_init_stream, FLAC__stream_encoder_init_stream)                                                 \
    X(encoder_finish, FLAC__stream_encoder_finish)                                                           \
    X(encoder_process, FLAC__stream_encoder_process)                                                         \
    X(encoder_process_interleaved, FLAC__stream_encoder_process_interleaved)                                 \
    X(decoder_new, FLAC__stream_decoder_new)                                                                 \
    X(decoder_delete, FLAC__stream_decoder_delete)                                                           \
    X(decoder_set_md5_checking, FLAC__stream_decoder_set_md5_checking)                                       \
    X(decoder_set_metadata_respond, FLAC__stream_decoder_set_metadata_respond)                               \
    X(decoder_set_metadata_respond_application, FLAC__stream_decoder_set_metadata_respond_application)       \
    X(decoder_set_metadata_respond_all, FLAC__stream_decoder_set_metadata_respond_all)                       \
    X(decoder_set_metadata_ignore, FLAC__stream_decoder_set_metadata_ignore)                                 \
    X(decoder_set_metadata_ignore_application, FLAC__stream_decoder_set_metadata_ignore_application)         \
    X(decoder_set_metadata_ignore_all, FLAC__stream_decoder_set_metadata_ignore_all)                         \
    X(decoder_get_state, FLAC__stream_decoder_get_state)                                                     \
    X(decoder_get_resolved_state_string, FLAC__stream_decoder_get_resolved_state_string)                     \
    X(decoder_get_md5_checking, FLAC__stream_decoder_get_md5_checking)                                       \
    X(decoder_get_channels, FLAC__stream_decoder_get_channels)                                               \
    X(decoder_get_channel_assignment, FLAC__stream_decoder_get_channel_assignment)                           \
    X(decoder_get_bits_per_sample, FLAC__stream_decoder_get_bits_per_sample)                                 \
    X(decoder_get_sample_rate, FLAC__stream_decoder_get_sample_rate)                                         \
    X(decoder_get_blocksize, FLAC__stream_decoder_get_blocksize)                                             \
    X(decoder_get_decode_position, FLAC__stream_decoder_get_decode_position)                                 \
    X(decoder_init_stream, FLAC__stream_decoder_init_stream)                                                 \
    X(decoder_finish, FLAC__stream_decoder_finish)                                                           \
    X(decoder_flush, FLAC__stream_decoder_flush)                                                             \
    X(decoder_reset, FLAC__stream_decoder_reset)                                                             \
    X(decoder_process_single, FLAC__stream_decoder_process_single)                                           \
    X(decoder_process_until_end_of_metadata, FLAC__stream_decoder_process_until_end_of_metadata)             \
    X(decoder_process_until_end_of_stream, FLAC__stream_decoder_process_until_end_of_stream)                 \
    X(decoder_seek_absolute, FLAC__stream_decoder_seek_absolute)

// The library's entry points, each typed from the library's own declaration.
struct TFLACApi {
#define DERAZ_FLAC_DECLARE(Member, Function) decltype(&Function) Member;
    DERAZ_FLAC_FUNCTIONS(DERAZ_FLAC_DECLARE)
#undef DERAZ_FLAC_DECLARE

    bool Bind(const TLibraryHandle& Library);
};

// The FLAC library, loaded on first use (the program's start-up asks for it first).
const TCodecBinding<TFLACApi>& FLACLibrary();

} // namespace deraz
