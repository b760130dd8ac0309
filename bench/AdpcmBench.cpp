// The ADPCM kernels of the WAV components: IMA ADPCM encoding and decoding, Microsoft ADPCM
// decoding, one block at a time over music-like audio.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "codecs/wave/ImaAdpcm.h"
#include "codecs/wave/MsAdpcm.h"

namespace {

using namespace deraz;

// Stereo music-like samples: a few detuned harmonics and some noise.
std::vector<int16_t> Music(int32_t Frames) {
    std::vector<int16_t> Samples(size_t(Frames) * 2);
    uint32_t Noise = 1;
    for (int32_t I = 0; I < Frames; ++I) {
        for (int32_t Channel = 0; Channel < 2; ++Channel) {
            double T = I / 44100.0, Value = 0;
            for (double Frequency : {110.0, 164.8, 220.0, 277.2})
                Value += std::sin(2 * 3.14159265 * Frequency * (1 + 0.002 * Channel) * T) * 0.2;
            Noise = Noise * 1664525u + 1013904223u;
            Value += (int32_t(Noise >> 16) - 32768) / 32768.0 * 0.05;
            Samples[size_t(I) * 2 + Channel] = int16_t(Value * 32767 * 0.8);
        }
    }
    return Samples;
}

constexpr int32_t Blocks = 256;

void ImaEncode(benchmark::State& State) {
    int32_t Channels = int32_t(State.range(0)), BlockSize = 512 * Channels;
    int32_t Frames = ima::FramesPerBlock(BlockSize, Channels);
    std::vector<int16_t> Pcm = Music(Frames * Blocks); // read as mono samples for one channel
    std::vector<uint8_t> Out(size_t(BlockSize) * Blocks);
    for (auto _ : State) {
        ima::TChannelState Ima[2];
        for (int32_t B = 0; B < Blocks; ++B)
            ima::EncodeBlock(Pcm.data() + size_t(B) * Frames * Channels, BlockSize, Channels, Ima,
                             Out.data() + size_t(B) * BlockSize);
        benchmark::DoNotOptimize(Out.data());
    }
    State.SetItemsProcessed(State.iterations() * Blocks * Frames * Channels);
}

void ImaDecode(benchmark::State& State) {
    int32_t Channels = int32_t(State.range(0)), BlockSize = 512 * Channels;
    int32_t Frames = ima::FramesPerBlock(BlockSize, Channels);
    std::vector<int16_t> Pcm = Music(Frames * Blocks); // read as mono samples for one channel
    std::vector<uint8_t> Encoded(size_t(BlockSize) * Blocks);
    ima::TChannelState Ima[2];
    for (int32_t B = 0; B < Blocks; ++B)
        ima::EncodeBlock(Pcm.data() + size_t(B) * Frames * Channels, BlockSize, Channels, Ima,
                         Encoded.data() + size_t(B) * BlockSize);
    std::vector<int16_t> Out(size_t(Frames) * Channels);
    for (auto _ : State) {
        for (int32_t B = 0; B < Blocks; ++B)
            ima::DecodeBlock(Encoded.data() + size_t(B) * BlockSize, BlockSize, Channels, Out.data());
        benchmark::DoNotOptimize(Out.data());
    }
    State.SetItemsProcessed(State.iterations() * Blocks * Frames * Channels);
}

void MsDecode(benchmark::State& State) {
    int32_t Channels = int32_t(State.range(0)), BlockSize = 1024 * Channels;
    int32_t SamplesPerBlock = (BlockSize - 7 * Channels) * 2 / Channels + 2;
    msadpcm::TCoefficients Coefficients;
    Coefficients.Pairs = {{{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}};
    Coefficients.Count = 7;
    // Blocks of pseudo-random nibbles behind valid headers: the decoder's work does not depend on
    // how well the data was encoded.
    std::vector<uint8_t> Encoded(size_t(BlockSize) * Blocks);
    uint32_t Noise = 7;
    for (uint8_t& Byte : Encoded) Byte = uint8_t((Noise = Noise * 1664525u + 1013904223u) >> 24);
    for (int32_t B = 0; B < Blocks; ++B)
        for (int32_t Channel = 0; Channel < Channels; ++Channel)
            Encoded[size_t(B) * BlockSize + Channel] = uint8_t(B % 7);
    std::vector<int16_t> Out(size_t(SamplesPerBlock) * Channels);
    for (auto _ : State) {
        for (int32_t B = 0; B < Blocks; ++B)
            msadpcm::DecodeBlock(Encoded.data() + size_t(B) * BlockSize, SamplesPerBlock, Channels,
                                 Coefficients, Out.data());
        benchmark::DoNotOptimize(Out.data());
    }
    State.SetItemsProcessed(State.iterations() * Blocks * SamplesPerBlock * Channels);
}

BENCHMARK(ImaEncode)->Arg(1)->Arg(2);
BENCHMARK(ImaDecode)->Arg(1)->Arg(2);
BENCHMARK(MsDecode)->Arg(1)->Arg(2);

} // namespace

BENCHMARK_MAIN();
