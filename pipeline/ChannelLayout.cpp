#include "pipeline/ChannelLayout.h"

#include <algorithm>
#include <array>
#include <vector>

namespace deraz {

namespace {

enum TSpeaker : uint32_t {
    spFrontLeft = 0x1,
    spFrontRight = 0x2,
    spFrontCentre = 0x4,
    spLowFrequency = 0x8,
    spBackLeft = 0x10,
    spBackRight = 0x20,
    spBackCentre = 0x100,
    spSideLeft = 0x200,
    spSideRight = 0x400,
};

constexpr std::array<uint32_t, MaxLaidOutChannels + 1> ChannelMasks = {
    0,
    spFrontCentre,
    spFrontLeft | spFrontRight,
    spFrontLeft | spFrontRight | spFrontCentre,
    spFrontLeft | spFrontRight | spBackLeft | spBackRight,
    spFrontLeft | spFrontRight | spFrontCentre | spBackLeft | spBackRight,
    spFrontLeft | spFrontRight | spFrontCentre | spLowFrequency | spBackLeft | spBackRight,
    spFrontLeft | spFrontRight | spFrontCentre | spLowFrequency | spBackCentre | spSideLeft | spSideRight,
    spFrontLeft | spFrontRight | spFrontCentre | spLowFrequency | spBackLeft | spBackRight | spSideLeft |
        spSideRight,
};

using TOrder = std::array<int32_t, MaxLaidOutChannels>;

// Vorbis places the centre between the fronts and the LFE last.
constexpr std::array<TOrder, MaxLaidOutChannels + 1> VorbisToWave = {{
    {},
    {0},
    {0, 1},
    {0, 2, 1},
    {0, 1, 2, 3},
    {0, 2, 1, 3, 4},
    {0, 2, 1, 4, 5, 3},
    {0, 2, 1, 5, 6, 4, 3},
    {0, 2, 1, 6, 7, 4, 5, 3},
}};

constexpr std::array<TOrder, MaxLaidOutChannels + 1>
Inverted(const std::array<TOrder, MaxLaidOutChannels + 1>& Orders) {
    std::array<TOrder, MaxLaidOutChannels + 1> Result{};
    for (size_t Count = 1; Count < Orders.size(); ++Count)
        for (size_t Channel = 0; Channel < Count; ++Channel)
            Result[Count][size_t(Orders[Count][Channel])] = int32_t(Channel);
    return Result;
}

constexpr auto WaveToVorbis = Inverted(VorbisToWave);

std::span<const int32_t> OrderFor(const std::array<TOrder, MaxLaidOutChannels + 1>& Orders,
                                  int32_t Channels) {
    if (Channels < 1 || Channels > MaxLaidOutChannels) return {};
    return std::span<const int32_t>(Orders[size_t(Channels)]).first(size_t(Channels));
}

struct TGains {
    float Left;
    float Right;
};

TGains SpeakerGains(uint32_t Speaker) {
    constexpr float MinusThreeDb = 0.70710678f;
    switch (Speaker) {
    case spFrontLeft:
        return {1, 0};
    case spFrontRight:
        return {0, 1};
    case spFrontCentre:
        return {MinusThreeDb, MinusThreeDb};
    case spLowFrequency:
        return {0, 0};
    case spBackLeft:
    case spSideLeft:
        return {MinusThreeDb, 0};
    case spBackRight:
    case spSideRight:
        return {0, MinusThreeDb};
    case spBackCentre:
        return {0.5f, 0.5f};
    default:
        return {0, 0};
    }
}

std::vector<TGains> DownmixGains(int32_t Channels) {
    std::vector<TGains> Gains;
    if (Channels == 1) return {{1, 1}};
    uint32_t Mask = WaveChannelMask(Channels);
    for (int32_t Channel = 0; Channel < Channels; ++Channel) {
        if (Mask != 0) {
            // The channel's speaker is the mask's lowest bit not yet taken.
            Gains.push_back(SpeakerGains(Mask & (~Mask + 1)));
            Mask &= Mask - 1;
        } else {
            Gains.push_back(Channel % 2 == 0 ? TGains{1, 0} : TGains{0, 1});
        }
    }
    float LeftSum = 0, RightSum = 0;
    for (const TGains& G : Gains) {
        LeftSum += G.Left;
        RightSum += G.Right;
    }
    const float Scale = 1 / std::max({LeftSum, RightSum, 1.0f});
    for (TGains& G : Gains) G = {G.Left * Scale, G.Right * Scale};
    return Gains;
}

} // namespace

uint32_t WaveChannelMask(int32_t Channels) {
    return Channels >= 1 && Channels <= MaxLaidOutChannels ? ChannelMasks[size_t(Channels)] : 0;
}

std::span<const int32_t> VorbisOrderFromWave(int32_t Channels) {
    return OrderFor(VorbisToWave, Channels);
}

std::span<const int32_t> WaveOrderFromVorbis(int32_t Channels) {
    return OrderFor(WaveToVorbis, Channels);
}

void DownmixToStereo(const float* In, int32_t Channels, size_t Frames, float* Out) {
    const std::vector<TGains> Gains = DownmixGains(Channels);
    for (size_t Frame = 0; Frame < Frames; ++Frame, In += Channels, Out += 2) {
        float Left = 0, Right = 0;
        for (int32_t Channel = 0; Channel < Channels; ++Channel) {
            Left += In[Channel] * Gains[size_t(Channel)].Left;
            Right += In[Channel] * Gains[size_t(Channel)].Right;
        }
        Out[0] = Left;
        Out[1] = Right;
    }
}

void MixChannels(const float* In, int32_t FromChannels, size_t Frames, int32_t ToChannels, float* Out) {
    if (FromChannels == ToChannels) {
        std::copy_n(In, Frames * size_t(FromChannels), Out);
        return;
    }
    std::vector<float> Stereo(Frames * 2);
    DownmixToStereo(In, FromChannels, Frames, Stereo.data());
    for (size_t Frame = 0; Frame < Frames; ++Frame, Out += ToChannels) {
        const float Left = Stereo[2 * Frame], Right = Stereo[2 * Frame + 1];
        if (ToChannels == 1) {
            Out[0] = (Left + Right) / 2;
            continue;
        }
        std::fill_n(Out, ToChannels, 0.0f);
        Out[0] = Left;
        Out[1] = Right;
    }
}

} // namespace deraz
