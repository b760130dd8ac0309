// Kernels of the Monkey's Audio codec: NN filters, predictor and range coder, per sample.
#include "macdll/NNFilter.h"
#include "macdll/Predictor.h"
#include "macdll/RangeCoder.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace deraz::ape;

// A residual-like signal: a few tones with noise, values of 16-bit music.
std::vector<int32_t> TestSignal(size_t Count) {
    std::vector<int32_t> Values(Count);
    std::mt19937 Random(1);
    std::normal_distribution<double> Noise(0, 300);
    for (size_t I = 0; I < Count; ++I)
        Values[I] =
            int32_t(6000 * std::sin(double(I) * 0.031) + 2500 * std::sin(double(I) * 0.173) + Noise(Random));
    return Values;
}

constexpr size_t Samples = 1 << 15;

void NNFilterDecompress(benchmark::State& State) {
    const auto Order = int32_t(State.range(0)), Shift = int32_t(State.range(1));
    std::vector<int32_t> Input = TestSignal(Samples);
    TNNFilter Encoder(Order, Shift, true);
    Encoder.Compress(Input.data(), Input.size());
    TNNFilter Decoder(Order, Shift, true);
    std::vector<int32_t> Work;
    for (auto _ : State) {
        Work = Input;
        Decoder.Reset();
        Decoder.Decompress(Work.data(), Work.size(), false);
        benchmark::DoNotOptimize(Work.data());
    }
    State.SetItemsProcessed(int64_t(State.iterations()) * int64_t(Samples));
}
BENCHMARK(NNFilterDecompress)
    ->Args({16, 11})
    ->Args({32, 10})
    ->Args({64, 11})
    ->Args({256, 13})
    ->Args({1280, 15});

void NNFilterCompress(benchmark::State& State) {
    const auto Order = int32_t(State.range(0)), Shift = int32_t(State.range(1));
    const std::vector<int32_t> Input = TestSignal(Samples);
    TNNFilter Filter(Order, Shift, true);
    std::vector<int32_t> Work;
    for (auto _ : State) {
        Work = Input;
        Filter.Reset();
        Filter.Compress(Work.data(), Work.size());
        benchmark::DoNotOptimize(Work.data());
    }
    State.SetItemsProcessed(int64_t(State.iterations()) * int64_t(Samples));
}
BENCHMARK(NNFilterCompress)->Args({16, 11})->Args({256, 13})->Args({1280, 15});

void PredictorStereo(benchmark::State& State) {
    const std::vector<int32_t> X = TestSignal(Samples), Y = TestSignal(Samples + 7);
    TPredictor PX, PY;
    for (auto _ : State) {
        PX.Reset();
        PY.Reset();
        int32_t Previous = 0, Sum = 0;
        for (size_t I = 0; I < Samples; ++I) {
            const int32_t Yv = PY.Decompress(Y[I] >> 4, Previous, false);
            Previous = PX.Decompress(X[I] >> 4, Yv, false);
            Sum += Previous;
        }
        benchmark::DoNotOptimize(Sum);
    }
    State.SetItemsProcessed(int64_t(State.iterations()) * int64_t(Samples));
}
BENCHMARK(PredictorStereo);

void RangeCoderValues(benchmark::State& State) {
    const std::vector<int32_t> Values = TestSignal(Samples);
    std::vector<uint8_t> Bytes;
    TRangeEncoder Encoder(Bytes);
    TValueState EncodeState;
    for (int32_t V : Values) EncodeValue(Encoder, EncodeState, V >> 3);
    Encoder.Finish();
    const bool Decode = State.range(0) != 0;
    for (auto _ : State) {
        if (Decode) {
            TRangeDecoder Decoder(Bytes.data(), Bytes.size());
            TValueState S;
            int32_t Sum = 0;
            for (size_t I = 0; I < Samples; ++I) Sum += DecodeValue(Decoder, S);
            benchmark::DoNotOptimize(Sum);
        } else {
            std::vector<uint8_t> Out;
            TRangeEncoder E(Out);
            TValueState S;
            for (int32_t V : Values) EncodeValue(E, S, V >> 3);
            E.Finish();
            benchmark::DoNotOptimize(Out.data());
        }
    }
    State.SetItemsProcessed(int64_t(State.iterations()) * int64_t(Samples));
}
BENCHMARK(RangeCoderValues)->Arg(0)->Arg(1)->ArgName("decode");

} // namespace

BENCHMARK_MAIN();
