#include "codecs/aiff/AiffHeader.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "codecs/wave/RiffWalker.h"
#include "platform/ByteOrder.h"

namespace deraz {

namespace {

constexpr int32_t MaxChannels = 8;
// Bytes of "COMM" in AIFF; AIFF-C adds the compression type and its name.
constexpr int64_t CommonSize = 18;
constexpr int64_t CompressedCommonSize = 22;

std::string Sentence(const std::string& Start, int64_t Number, const std::string& End) {
    return Start + std::to_string(Number) + End;
}

TAiffEncoding EncodingOf(const uint8_t* Type) {
    if (ChunkIdMatches(Type, "NONE") || ChunkIdMatches(Type, "twos")) return aeBigEndian;
    if (ChunkIdMatches(Type, "sowt")) return aeLittleEndian;
    if (ChunkIdMatches(Type, "fl32") || ChunkIdMatches(Type, "fl64")) return aeFloat;
    return aeUnsupported;
}

// Why samples of this format cannot be delivered; empty when they can.
std::string FormatProblem(const TAiffHeader& H) {
    if (H.Channels < 1 || H.Channels > MaxChannels)
        return Sentence("AIFF with ", H.Channels, " channels is not supported.");
    if (!(H.SampleRate >= 1 && H.SampleRate <= 1e7))
        return "The \"COMM\" chunk declares no usable sample rate.";
    if (H.Encoding == aeFloat && H.BitsPerSample != 32 && H.BitsPerSample != 64)
        return Sentence("Floating-point AIFF with ", H.BitsPerSample, " bits per sample is not supported.");
    if (H.Encoding != aeFloat && (H.BitsPerSample < 1 || H.BitsPerSample > 32))
        return Sentence("AIFF with ", H.BitsPerSample, " bits per sample is not supported.");
    return {};
}

void ReadCommon(TWaveSource& Source, int64_t Size, TAiffHeader& H) {
    uint8_t Body[CompressedCommonSize] = {};
    if (Size < (H.Compressed ? CompressedCommonSize : CommonSize) ||
        Source.Read(Body, H.Compressed ? CompressedCommonSize : CommonSize) <
            (H.Compressed ? CompressedCommonSize : CommonSize)) {
        H.Error = "The \"COMM\" chunk is damaged.";
        return;
    }
    H.Channels = int16_t(uint16_t(Body[0] << 8 | Body[1]));
    H.Frames = BigEndian32(Body + 2);
    H.BitsPerSample = int16_t(uint16_t(Body[6] << 8 | Body[7]));
    H.SampleRate = ExtendedToDouble(Body + 8);
    H.Encoding = H.Compressed ? EncodingOf(Body + 18) : aeBigEndian;
    if (H.Encoding == aeUnsupported)
        H.Error = "AIFF-C compression \"" + ChunkIdText(Body + 18) + "\" is not supported.";
    else if (H.Encoding == aeFloat)
        H.BitsPerSample = ChunkIdMatches(Body + 18, "fl32") ? 32 : 64;
}

} // namespace

double ExtendedToDouble(const uint8_t* Bytes) {
    const int Exponent = (Bytes[0] & 0x7F) << 8 | Bytes[1];
    uint64_t Mantissa = 0;
    for (int I = 2; I < 10; ++I) Mantissa = Mantissa << 8 | Bytes[I];
    if (Exponent == 0 || Exponent == 0x7FFF) return 0;
    const double Value = std::ldexp(double(Mantissa), Exponent - 16383 - 63);
    return Bytes[0] & 0x80 ? -Value : Value;
}

std::array<uint8_t, 10> ExtendedFromInteger(uint32_t Value) {
    std::array<uint8_t, 10> Bytes{};
    if (Value == 0) return Bytes;
    const int Width = std::bit_width(Value);
    const int Exponent = 16383 + Width - 1;
    const uint64_t Mantissa = uint64_t(Value) << (64 - Width);
    Bytes[0] = uint8_t(Exponent >> 8);
    Bytes[1] = uint8_t(Exponent);
    for (int I = 0; I < 8; ++I) Bytes[size_t(2 + I)] = uint8_t(Mantissa >> (56 - 8 * I));
    return Bytes;
}

TAiffHeader WalkAiffHeader(TWaveSource& Source) {
    TAiffHeader H;
    uint8_t Form[12];
    if (Source.Read(Form, 12) != 12 || !ChunkIdMatches(Form, "FORM") ||
        !(ChunkIdMatches(Form + 8, "AIFF") || ChunkIdMatches(Form + 8, "AIFC"))) {
        H.Error = "The file is no AIFF file.";
        return H;
    }
    H.Compressed = ChunkIdMatches(Form + 8, "AIFC");
    const int64_t FormEnd = std::min<int64_t>(Source.Size(), 8 + int64_t(BigEndian32(Form + 4)));
    bool HaveCommon = false, HaveSound = false;
    int64_t Next = 12;
    while (Next <= FormEnd - 8 && H.Error.empty()) {
        uint8_t Head[8];
        Source.Seek(Next);
        if (Source.Read(Head, 8) != 8) break;
        const int64_t Size = BigEndian32(Head + 4);
        const int64_t Body = Next + 8;
        if (ChunkIdMatches(Head, "COMM")) {
            ReadCommon(Source, Size, H);
            HaveCommon = true;
        } else if (ChunkIdMatches(Head, "SSND")) {
            uint8_t Offsets[8];
            if (Size < 8 || Source.Read(Offsets, 8) != 8) {
                H.Error = "The \"SSND\" chunk is damaged.";
                break;
            }
            H.DataOffset = Body + 8 + BigEndian32(Offsets);
            H.DataSize = std::clamp<int64_t>(std::min(Body + Size, Source.Size()) - H.DataOffset, 0, Size);
            HaveSound = true;
        }
        Next = Body + Size + (Size & 1);
    }
    if (H.Error.empty() && !HaveCommon) H.Error = "The file has no \"COMM\" chunk.";
    if (H.Error.empty() && !HaveSound && H.Frames > 0) H.Error = "The file has no \"SSND\" chunk.";
    if (H.Error.empty()) H.Error = FormatProblem(H);
    if (!H.Error.empty()) H.Encoding = aeUnsupported;
    return H;
}

} // namespace deraz
