#include "codecs/ape/ApeHeader.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"

namespace deraz {

namespace {

constexpr uint16_t FirstDescriptorVersion = 3980;
constexpr int32_t IdBytes = 6;
constexpr int32_t OldHeaderBytes = 30;
// The rest of the descriptor after "MAC " and the version; it starts with padding, the
// descriptor's size and the header's size.
constexpr int32_t DescriptorRestBytes = 46;
constexpr int32_t NewHeaderBytes = 24;

constexpr uint16_t ffEightBit = 0x0001;
constexpr uint16_t ffTwentyFourBit = 0x0008;

int64_t TotalSamples(uint32_t TotalFrames, uint32_t BlocksPerFrame, uint32_t FinalFrameBlocks) {
    if (TotalFrames == 0) return 0;
    return static_cast<int64_t>(uint64_t(TotalFrames - 1) * BlocksPerFrame + FinalFrameBlocks);
}

std::optional<TApeHeader> ReadOldHeader(const TApeHeaderRead& Read, TApeHeader H) {
    uint8_t B[OldHeaderBytes];
    if (!Read(IdBytes, B, OldHeaderBytes)) return std::nullopt;
    H.CompressionLevel = LittleEndian16(B);
    H.FormatFlags = LittleEndian16(B + 2);
    H.Channels = LittleEndian16(B + 4);
    H.SampleRate = static_cast<int32_t>(LittleEndian32(B + 6));
    H.Bits = H.FormatFlags & ffTwentyFourBit ? 24 : H.FormatFlags & ffEightBit ? 8 : 16;
    uint32_t BlocksPerFrame = 9216;
    if (H.Version >= 3950)
        BlocksPerFrame = 294912;
    else if (H.Version >= 3900 || (H.Version >= 3800 && H.CompressionLevel == 4000))
        BlocksPerFrame = 73728;
    H.Samples = TotalSamples(LittleEndian32(B + 18), BlocksPerFrame, LittleEndian32(B + 22));
    return H;
}

std::optional<TApeHeader> ReadNewHeader(const TApeHeaderRead& Read, TApeHeader H) {
    uint8_t D[DescriptorRestBytes];
    if (!Read(IdBytes, D, DescriptorRestBytes)) return std::nullopt;
    const uint32_t DescriptorSize = LittleEndian32(D + 2);
    const uint32_t HeaderSize = LittleEndian32(D + 6);
    uint8_t B[NewHeaderBytes] = {};
    const int32_t Wanted = int32_t(std::min<uint32_t>(HeaderSize, NewHeaderBytes));
    if (!Read(DescriptorSize, B, Wanted)) return std::nullopt;
    H.CompressionLevel = LittleEndian16(B);
    H.FormatFlags = LittleEndian16(B + 2);
    H.Bits = LittleEndian16(B + 16);
    H.Channels = LittleEndian16(B + 18);
    H.SampleRate = static_cast<int32_t>(LittleEndian32(B + 20));
    H.Samples = TotalSamples(LittleEndian32(B + 12), LittleEndian32(B + 4), LittleEndian32(B + 8));
    return H;
}

} // namespace

std::optional<TApeHeader> ReadApeHeader(const TApeHeaderRead& Read) {
    uint8_t Id[IdBytes];
    if (!Read(0, Id, IdBytes) || std::memcmp(Id, "MAC ", 4) != 0) return std::nullopt;
    TApeHeader H;
    H.Version = LittleEndian16(Id + 4);
    return H.Version < FirstDescriptorVersion ? ReadOldHeader(Read, H) : ReadNewHeader(Read, H);
}

} // namespace deraz
