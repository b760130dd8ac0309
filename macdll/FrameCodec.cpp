#include "macdll/FrameCodec.h"

#include "macdll/Checksums.h"
#include "macdll/MACDll.h"
#include "macdll/RangeCoder.h"

#include <algorithm>

namespace deraz::ape {

namespace {

constexpr uint32_t SpecialC1Silent = 1; // also: the mono channel is silent
constexpr uint32_t SpecialC0Silent = 2;
constexpr uint32_t SpecialPseudoStereo = 4;
constexpr uint32_t SpecialFlag = 0x80000000u;

struct TFilterSpec {
    int32_t Order, Shift;
};

// NN filters per level, in the encoder's order.
std::vector<TFilterSpec> FiltersForLevel(int32_t Level) {
    switch (Level) {
    case 2000:
        return {{16, 11}};
    case 3000:
        return {{64, 11}};
    case 4000:
        return {{256, 13}, {32, 10}};
    case 5000:
        return {{1280, 15}, {256, 13}, {16, 11}};
    default:
        return {};
    }
}

int32_t ReadSample(const uint8_t* P, int32_t Bits) {
    switch (Bits) {
    case 8:
        return int32_t(P[0]) - 128;
    case 16:
        return int16_t(uint16_t(P[0] | P[1] << 8));
    default:
        return int32_t(uint32_t(P[0] | P[1] << 8 | P[2] << 16) << 8) >> 8;
    }
}

void WriteSample(uint8_t* P, int32_t Bits, int32_t S) {
    switch (Bits) {
    case 8:
        P[0] = uint8_t(S + 128);
        break;
    case 16:
        P[0] = uint8_t(S);
        P[1] = uint8_t(S >> 8);
        break;
    default:
        P[0] = uint8_t(S);
        P[1] = uint8_t(S >> 8);
        P[2] = uint8_t(S >> 16);
    }
}

void PutBigEndian(std::vector<uint8_t>& Out, uint32_t V) {
    for (int Shift = 24; Shift >= 0; Shift -= 8) Out.push_back(uint8_t(V >> Shift));
}

uint32_t GetBigEndian(const uint8_t* P) {
    return uint32_t(P[0]) << 24 | uint32_t(P[1]) << 16 | uint32_t(P[2]) << 8 | P[3];
}

} // namespace

TChannelPredictor::TChannelPredictor(int32_t Level, bool NewStepRule) {
    for (const TFilterSpec& Shape : FiltersForLevel(Level))
        Filters.emplace_back(Shape.Order, Shape.Shift, NewStepRule);
}

void TChannelPredictor::Reset() {
    Stages.Reset();
    for (TNNFilter& Filter : Filters) Filter.Reset();
}

TFrameEncoder::TFrameEncoder(int32_t Level, int32_t Channels, int32_t BitsPerSample, bool Interim)
    : FFormat{3990, Level, Channels, BitsPerSample}, FInterim(Interim), FX(Level, true), FY(Level, true) {}

void TFrameEncoder::Encode(const uint8_t* Pcm, uint32_t Blocks, std::vector<uint8_t>& Out) {
    const int32_t Bits = FFormat.BitsPerSample, Bytes = Bits / 8;
    const bool Stereo = FFormat.Channels == 2;
    FValuesX.resize(Blocks);
    FValuesY.resize(Stereo ? Blocks : 0);
    bool C0Silent = true, C1Silent = true, Pseudo = true;
    for (uint32_t T = 0; T < Blocks; ++T) {
        const uint8_t* Block = Pcm + size_t(T) * size_t(FFormat.BlockAlign());
        const int32_t C0 = ReadSample(Block, Bits);
        if (!Stereo) {
            FValuesX[T] = C0;
            C0Silent &= C0 == 0;
            continue;
        }
        const int32_t C1 = ReadSample(Block + Bytes, Bits);
        const int32_t Y = C1 - C0;
        FValuesY[T] = Y;
        FValuesX[T] = C0 + Y / 2;
        C0Silent &= C0 == 0;
        C1Silent &= C1 == 0;
        Pseudo &= Y == 0;
    }
    // Only 16-bit frames get special codes.
    uint32_t Special = 0;
    if (Bits == 16) {
        if (!Stereo)
            Special = C0Silent ? SpecialC1Silent : 0;
        else
            Special = (C1Silent ? SpecialC1Silent : 0) | (C0Silent ? SpecialC0Silent : 0) |
                      (Pseudo ? SpecialPseudoStereo : 0);
    }
    const size_t PcmBytes = size_t(Blocks) * size_t(FFormat.BlockAlign());
    Out.reserve(Out.size() + PcmBytes + PcmBytes / 8 + 64); // coded frames are rarely larger
    const uint32_t Crc = Crc32(Pcm, PcmBytes) >> 1;
    PutBigEndian(Out, Special ? Crc | SpecialFlag : Crc);
    if (Special) PutBigEndian(Out, Special);

    TRangeEncoder Coder(Out);
    const bool Silent = Stereo ? (Special & 3) == 3 : Special != 0;
    if (!Silent) {
        FX.Reset();
        TValueState StateX;
        if (Stereo && !(Special & SpecialPseudoStereo)) {
            FY.Reset();
            TValueState StateY;
            int32_t PreviousX = 0;
            for (uint32_t T = 0; T < Blocks; ++T) {
                const int32_t X = FValuesX[T], Y = FValuesY[T];
                FValuesY[T] = FY.Stages.Compress(Y, PreviousX, FInterim);
                FValuesX[T] = FX.Stages.Compress(X, Y, FInterim);
                PreviousX = X;
            }
            for (TNNFilter& Filter : FY.Filters) Filter.Compress(FValuesY.data(), Blocks, FInterim);
            for (TNNFilter& Filter : FX.Filters) Filter.Compress(FValuesX.data(), Blocks, FInterim);
            for (uint32_t T = 0; T < Blocks; ++T) {
                EncodeValue(Coder, StateY, FValuesY[T]);
                EncodeValue(Coder, StateX, FValuesX[T]);
            }
        } else {
            for (uint32_t T = 0; T < Blocks; ++T) FValuesX[T] = FX.Stages.Compress(FValuesX[T], 0, FInterim);
            for (TNNFilter& Filter : FX.Filters) Filter.Compress(FValuesX.data(), Blocks, FInterim);
            for (uint32_t T = 0; T < Blocks; ++T) EncodeValue(Coder, StateX, FValuesX[T]);
        }
    }
    Coder.Finish();
}

TFrameDecoder::TFrameDecoder(const TFrameFormat& Format)
    : FFormat(Format), FX(Format.Level, Format.Version >= 3980), FY(Format.Level, Format.Version >= 3980) {}

int TFrameDecoder::DecodeResiduals(const uint8_t* Data, size_t Bytes, uint32_t Blocks) {
    if (Bytes < 4) return ERROR_DECOMPRESSING_FRAME;
    const uint32_t CrcWord = GetBigEndian(Data);
    size_t Pos = 4;
    FSpecial = 0;
    if (CrcWord & SpecialFlag) {
        if (Bytes < 8) return ERROR_DECOMPRESSING_FRAME;
        FSpecial = GetBigEndian(Data + 4);
        Pos = 8;
    }
    FCrc = CrcWord & ~SpecialFlag;
    const bool Stereo = FFormat.Channels == 2;
    FValuesX.assign(Blocks, 0);
    FValuesY.assign(Stereo ? Blocks : 0, 0);
    const bool Silent = Stereo ? (FSpecial & 3) == 3 : (FSpecial & SpecialC1Silent) != 0;
    if (Silent) return ERROR_SUCCESS;

    TRangeDecoder Coder(Data + Pos, Bytes - Pos);
    TValueState StateX, StateY;
    const bool Both = Stereo && !(FSpecial & SpecialPseudoStereo);
    const int32_t Version = FFormat.Version;
    if (Version >= 3990) {
        for (uint32_t T = 0; T < Blocks; ++T) {
            if (Both) FValuesY[T] = DecodeValue(Coder, StateY);
            FValuesX[T] = DecodeValue(Coder, StateX);
        }
    } else {
        for (uint32_t T = 0; T < Blocks; ++T) {
            if (Both) FValuesY[T] = DecodeValueK(Coder, StateY, Version);
            FValuesX[T] = DecodeValueK(Coder, StateX, Version);
        }
    }
    return Coder.Failed() ? ERROR_DECOMPRESSING_FRAME : ERROR_SUCCESS;
}

void TFrameDecoder::Reconstruct(uint32_t Blocks, bool Interim) {
    const bool Stereo = FFormat.Channels == 2;
    const bool Silent = Stereo ? (FSpecial & 3) == 3 : (FSpecial & SpecialC1Silent) != 0;
    if (Silent) return;
    FX.Reset();
    for (auto F = FX.Filters.rbegin(); F != FX.Filters.rend(); ++F)
        F->Decompress(FValuesX.data(), Blocks, Interim);
    if (Stereo && !(FSpecial & SpecialPseudoStereo)) {
        FY.Reset();
        for (auto F = FY.Filters.rbegin(); F != FY.Filters.rend(); ++F)
            F->Decompress(FValuesY.data(), Blocks, Interim);
        int32_t PreviousX = 0;
        for (uint32_t T = 0; T < Blocks; ++T) {
            const int32_t Y = FY.Stages.Decompress(FValuesY[T], PreviousX, Interim);
            PreviousX = FX.Stages.Decompress(FValuesX[T], Y, Interim);
            FValuesY[T] = Y;
            FValuesX[T] = PreviousX;
        }
    } else {
        for (uint32_t T = 0; T < Blocks; ++T) FValuesX[T] = FX.Stages.Decompress(FValuesX[T], 0, Interim);
    }
}

int TFrameDecoder::DecodeOnce(const uint8_t* Data, size_t Bytes, uint32_t Blocks, uint8_t* Pcm,
                              bool Interim) {
    if (int Error = DecodeResiduals(Data, Bytes, Blocks)) return Error;
    Reconstruct(Blocks, Interim);
    const int32_t Bits = FFormat.BitsPerSample, SampleBytes = Bits / 8;
    uint8_t* Out = Pcm;
    if (FFormat.Channels == 2) {
        for (uint32_t T = 0; T < Blocks; ++T, Out += 2 * SampleBytes) {
            const int32_t C0 = WrapSub(FValuesX[T], FValuesY[T] / 2);
            WriteSample(Out, Bits, C0);
            WriteSample(Out + SampleBytes, Bits, WrapAdd(C0, FValuesY[T]));
        }
    } else {
        for (uint32_t T = 0; T < Blocks; ++T, Out += SampleBytes) WriteSample(Out, Bits, FValuesX[T]);
    }
    const size_t PcmBytes = size_t(Blocks) * size_t(FFormat.BlockAlign());
    return Crc32(Pcm, PcmBytes) >> 1 == FCrc ? ERROR_SUCCESS : ERROR_INVALID_CHECKSUM;
}

int TFrameDecoder::Decode(const uint8_t* Data, size_t Bytes, uint32_t Blocks, uint8_t* Pcm) {
    const int Result = DecodeOnce(Data, Bytes, Blocks, Pcm, FInterim);
    // 24-bit files of some older encoders need exact stage-2 sums and NN rounding: on a checksum
    // error try them, and keep them for the rest of the file when they fit.
    if (Result == ERROR_INVALID_CHECKSUM && FFormat.BitsPerSample == 24 && !FInterim &&
        DecodeOnce(Data, Bytes, Blocks, Pcm, true) == ERROR_SUCCESS) {
        FInterim = true;
        return ERROR_SUCCESS;
    }
    return Result;
}

} // namespace deraz::ape
