#include "codecs/wave/WavHeaderWriter.h"

#include "codecs/wave/WavChunkReader.h"

#include <algorithm>
#include <cstring>

#include "pipeline/ChannelLayout.h"
#include "platform/ByteOrder.h"

namespace deraz {

namespace {

// The PCM sub-format GUID, KSDATAFORMAT_SUBTYPE_PCM: tag 1, then the standard suffix.
constexpr std::array<uint8_t, 4> PcmSubFormatTag{0x01, 0x00, 0x00, 0x00};
constexpr uint32_t Ds64BodyBytes = Ds64BodySize;

class THeaderBytes {
public:
    // Room for the largest header up front, so that building it never reallocates.
    THeaderBytes() { FBytes.reserve(128); }
    void Id(const char* Text) {
        for (int I = 0; I < 4; ++I) FBytes.push_back(uint8_t(Text[I]));
    }
    void Put16(uint32_t Value) { Put(Value, 2); }
    void Put32(uint32_t Value) { Put(Value, 4); }
    void Put64(uint64_t Value) { Put(Value, 8); }
    void Append(const uint8_t* Bytes, size_t Count) { FBytes.insert(FBytes.end(), Bytes, Bytes + Count); }
    int64_t Size() const { return int64_t(FBytes.size()); }
    std::vector<uint8_t>& Bytes() { return FBytes; }

private:
    void Put(uint64_t Value, int Count) {
        for (int I = 0; I < Count; ++I) FBytes.push_back(uint8_t(Value >> (8 * I)));
    }
    std::vector<uint8_t> FBytes;
};

} // namespace

TWaveFormatRecord PcmFormatRecord(int32_t Channels, int32_t SampleRate, int32_t BitsPerSample) {
    TWaveFormatRecord Format{};
    uint32_t BlockAlign = uint32_t(Channels * BitsPerSample / 8);
    PutLittleEndian16(&Format[0], 1);
    PutLittleEndian16(&Format[2], uint32_t(Channels));
    PutLittleEndian32(&Format[4], uint32_t(SampleRate));
    PutLittleEndian32(&Format[8], uint32_t(SampleRate) * BlockAlign);
    PutLittleEndian16(&Format[12], BlockAlign);
    PutLittleEndian16(&Format[14], uint32_t(BitsPerSample));
    return Format;
}

namespace {

TPcmWaveHeader BuildHeader(TWaveFormatRecord Format, bool Extensible, uint32_t DataBytes, bool ReserveDs64) {
    TPcmWaveHeader Result;
    THeaderBytes H;
    H.Id("RIFF");
    H.Put32(0); // the RIFF size, filled in below
    H.Id("WAVE");
    if (ReserveDs64) {
        Result.Ds64Offset = H.Size();
        H.Id("JUNK");
        H.Put32(Ds64BodyBytes);
        H.Append(std::array<uint8_t, Ds64BodyBytes>{}.data(), Ds64BodyBytes);
    }
    H.Id("fmt ");
    if (Extensible) {
        uint32_t Bits = LittleEndian16(&Format[14]);
        PutLittleEndian16(&Format[0], ExtensibleTag);
        H.Put32(40);
        H.Append(Format.data(), Format.size());
        H.Put16(22); // the extension's size
        H.Put16(Bits);
        H.Put32(WaveChannelMask(int32_t(LittleEndian16(&Format[2]))));
        H.Append(PcmSubFormatTag.data(), PcmSubFormatTag.size());
        H.Append(StandardGuidSuffix.data(), StandardGuidSuffix.size());
    } else {
        H.Put32(16);
        H.Append(Format.data(), Format.size());
    }
    H.Id("data");
    Result.DataSizeOffset = H.Size();
    H.Put32(DataBytes);
    Result.Bytes = std::move(H.Bytes());
    PutLittleEndian32(&Result.Bytes[4], uint32_t(Result.Bytes.size() - 8 + DataBytes));
    return Result;
}

} // namespace

std::array<uint8_t, WaveHeaderSize> WaveFileHeader(const TWaveFormatRecord& Format, uint32_t DataBytes) {
    std::vector<uint8_t> Bytes = BuildHeader(Format, false, DataBytes, false).Bytes;
    std::array<uint8_t, WaveHeaderSize> Header;
    std::copy(Bytes.begin(), Bytes.end(), Header.begin());
    return Header;
}

TPcmWaveHeader PcmWaveHeader(int32_t Channels, int32_t SampleRate, int32_t BitsPerSample, uint32_t DataBytes,
                             bool ReserveDs64) {
    return BuildHeader(PcmFormatRecord(Channels, SampleRate, BitsPerSample),
                       Channels > 2 || BitsPerSample > 16, DataBytes, ReserveDs64);
}

std::vector<uint8_t> Ds64Chunk(uint64_t FileBytes, uint64_t DataBytes, uint64_t SampleFrames) {
    THeaderBytes H;
    H.Id("ds64");
    H.Put32(Ds64BodyBytes);
    H.Put64(FileBytes - 8);
    H.Put64(DataBytes);
    H.Put64(SampleFrames);
    H.Put32(0); // no table
    return std::move(H.Bytes());
}

} // namespace deraz
