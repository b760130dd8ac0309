#include <algorithm>
#include <bit>
#include <cmath>

#include "codecs/aiff/ACS_Aiff.h"
#include "pipeline/PcmSamples.h"
#include "platform/ByteOrder.h"

namespace deraz {

namespace {

// A stored sample, Bytes wide and in either byte order, as a signed value of Bytes * 8 bits.
int32_t StoredInteger(const uint8_t* In, int32_t Bytes, bool BigEndian) {
    uint32_t Value = 0;
    for (int32_t B = 0; B < Bytes; ++B) Value = Value << 8 | In[BigEndian ? B : Bytes - 1 - B];
    const int Unused = 32 - 8 * Bytes;
    return int32_t(Value << Unused) >> Unused;
}

double StoredFloat(const uint8_t* In, int32_t Bytes) {
    if (Bytes == 4) return double(std::bit_cast<float>(BigEndian32(In)));
    return std::bit_cast<double>(uint64_t(BigEndian32(In)) << 32 | BigEndian32(In + 4));
}

} // namespace

void TAiffIn::OpenSource() {
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    FSource = std::make_unique<TFileWaveSource>(*FStream);
    FHeader = WalkAiffHeader(*FSource);
    FValid = FHeader.Encoding != aeUnsupported;
    FDecodeError = FHeader.Error;
    FChannels = FHeader.Channels;
    FSampleRate = int32_t(std::lround(FHeader.SampleRate));
    FBitsPerSample = FHeader.Encoding == aeFloat ? 24 : FHeader.BytesPerSample() * 8;
    FNote = FHeader.Encoding == aeFloat
                ? std::to_string(FHeader.BitsPerSample) +
                      "-bit float samples were written as 24-bit integers, clipped at full scale."
                : "";
    FTotalSamples = FValid ? FHeader.Frames : 0;
    FSize = FTotalSamples * FChannels * (FBitsPerSample / 8);
    FFrame = 0;
    if (FValid) FSource->Seek(FHeader.DataOffset);
}

void TAiffIn::CloseSource() {
    FSource.reset();
    FStream.reset();
}

bool TAiffIn::Seek(int64_t SampleNum) {
    if (!FSource || !FValid) return false;
    FFrame = std::clamp<int64_t>(SampleNum, 0, FHeader.Frames);
    FSource->Seek(FHeader.DataOffset + FFrame * FHeader.BytesPerSample() * FChannels);
    return true;
}

std::span<const uint8_t> TAiffIn::Refill() {
    if (!FValid) return {};
    const int64_t FrameBytes = FHeader.BytesPerSample() * FChannels;
    const int64_t Left = FHeader.Frames - FFrame;
    const int64_t Frames =
        std::min({RefillFrames, Left, (FSize - FPosition) / (FChannels * (FBitsPerSample / 8))});
    if (Frames <= 0) return {};
    FStored.resize(size_t(Frames * FrameBytes));
    const int64_t Wanted =
        std::min(int64_t(FStored.size()), FHeader.DataOffset + FHeader.DataSize - FSource->Position());
    const int64_t Got = Wanted > 0 ? FSource->Read(FStored.data(), Wanted) : 0;
    const int64_t Whole = Got / FrameBytes;
    if (Whole == 0)
        throw EACSException("AIFF file " + FFileName + ": the audio ends at sample " +
                            std::to_string(FFrame) + " of " + std::to_string(FHeader.Frames) + ".");
    Convert(Whole);
    FFrame += Whole;
    return {FBuffer.data(), size_t(Whole * FChannels * (FBitsPerSample / 8))};
}

void TAiffIn::Convert(int64_t Frames) {
    const int32_t Bytes = FHeader.BytesPerSample();
    const int32_t OutBytes = FBitsPerSample / 8;
    const size_t Count = size_t(Frames) * FChannels;
    FBuffer.resize(Count * size_t(OutBytes));
    const uint8_t* In = FStored.data();
    uint8_t* Out = FBuffer.data();
    for (size_t I = 0; I < Count; ++I, In += Bytes) {
        int32_t Value = FHeader.Encoding == aeFloat
                            ? FloatToInt24(StoredFloat(In, Bytes))
                            : StoredInteger(In, Bytes, FHeader.Encoding == aeBigEndian);
        PackPcm(&Value, OutBytes * 8, 1, Out);
        Out += OutBytes;
    }
}

} // namespace deraz
