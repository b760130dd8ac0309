// Where each channel of interleaved PCM plays. The pipeline carries channels in WAV order, which
// FLAC shares: the speakers of the default channel mask, in the order of their bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace deraz {

// Channels the layouts below describe; more have no standard placement.
constexpr int32_t MaxLaidOutChannels = 8;

// The WAVE_FORMAT_EXTENSIBLE channel mask for 1..8 channels in their usual layouts (mono, stereo,
// 3.0, quad, 5.0, 5.1, 6.1, 7.1); 0 (no placement) for any other count.
uint32_t WaveChannelMask(int32_t Channels);

// For each channel in Vorbis order, its index in WAV order (1..8 channels; empty otherwise).
std::span<const int32_t> VorbisOrderFromWave(int32_t Channels);
// For each channel in WAV order, its index in Vorbis order (1..8 channels; empty otherwise).
std::span<const int32_t> WaveOrderFromVorbis(int32_t Channels);

// Mixes Frames frames of Channels channels (WAV order, full scale 1.0) down to interleaved stereo:
// fronts at 1, centre and surrounds at -3 dB to their side, LFE left out, every gain divided by
// the larger side's sum so the mix cannot clip. Mono goes to both sides unchanged. Channels
// beyond the standard layouts go alternately left and right.
void DownmixToStereo(const float* In, int32_t Channels, size_t Frames, float* Out);

// Mixes Frames frames of FromChannels channels (WAV order) into ToChannels: equal counts are
// copied; otherwise the input is mixed down to stereo and the pair gives a mono average, or
// takes the front left and right of a wider layout, whose other channels stay silent.
void MixChannels(const float* In, int32_t FromChannels, size_t Frames, int32_t ToChannels, float* Out);

} // namespace deraz
