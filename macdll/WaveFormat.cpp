#include "macdll/WaveFormat.h"

#include "macdll/MACDll.h"

#include <cstring>

#include "platform/ByteOrder.h"

namespace deraz::ape {

namespace {

uint32_t GetU16(const uint8_t* P) {
    return deraz::LittleEndian16(P);
}
uint32_t GetU32(const uint8_t* P) {
    return deraz::LittleEndian32(P);
}

// The GUID tail that marks a PCM subformat of WAVE_FORMAT_EXTENSIBLE.
constexpr uint8_t PcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

std::vector<uint8_t> CanonicalWavHeader(const TApeFileInfo& Info) {
    WAVEFORMATEX Format;
    FillWaveFormatEx(&Format, Info.SampleRate, Info.BitsPerSample, Info.Channels);
    WAVE_HEADER Header;
    FillWaveHeader(&Header, int(Info.TotalBlocks() * Info.BlockAlign()), &Format, int(Info.TerminatingBytes));
    std::vector<uint8_t> Bytes(sizeof Header);
    std::memcpy(Bytes.data(), &Header, sizeof Header);
    return Bytes;
}

int ReadWavLayout(TFile& File, TWavLayout& Layout) {
    const int64_t Size = File.Size();
    uint8_t Riff[12];
    if (!File.ReadExactAt(0, Riff, 12) || std::memcmp(Riff, "RIFF", 4) != 0 ||
        std::memcmp(Riff + 8, "WAVE", 4) != 0)
        return ERROR_INVALID_INPUT_FILE;
    bool HaveFormat = false;
    for (int64_t Pos = 12; Pos + 8 <= Size;) {
        uint8_t Chunk[8];
        if (!File.ReadExactAt(Pos, Chunk, 8)) return ERROR_IO_READ;
        const int64_t Bytes = GetU32(Chunk + 4);
        if (std::memcmp(Chunk, "fmt ", 4) == 0) {
            uint8_t Fmt[40] = {};
            if (Bytes < 16 || !File.ReadExactAt(Pos + 8, Fmt, size_t(std::min<int64_t>(Bytes, 40))))
                return ERROR_INVALID_INPUT_FILE;
            const uint32_t Tag = GetU16(Fmt);
            const bool Pcm =
                Tag == WaveFormatPcm ||
                (Tag == WaveFormatExtensible && Bytes >= 40 && GetU16(Fmt + 24) == WaveFormatPcm &&
                 std::memcmp(Fmt + 26, PcmGuidTail, sizeof PcmGuidTail) == 0);
            if (!Pcm) return ERROR_UNSUPPORTED_FILE_TYPE;
            Layout.Channels = int32_t(GetU16(Fmt + 2));
            Layout.SampleRate = int32_t(GetU32(Fmt + 4));
            Layout.BitsPerSample = int32_t(GetU16(Fmt + 14));
            HaveFormat = true;
        } else if (std::memcmp(Chunk, "data", 4) == 0) {
            if (!HaveFormat) return ERROR_INVALID_INPUT_FILE;
            if (Layout.Channels < 1 || Layout.Channels > 2) return ERROR_INPUT_FILE_UNSUPPORTED_CHANNEL_COUNT;
            if (Layout.BitsPerSample != 8 && Layout.BitsPerSample != 16 && Layout.BitsPerSample != 24)
                return ERROR_INPUT_FILE_UNSUPPORTED_BIT_DEPTH;
            const int64_t Align = Layout.Channels * (Layout.BitsPerSample / 8);
            Layout.DataStart = Pos + 8;
            Layout.DataBytes = std::min(Bytes, Size - Layout.DataStart) / Align * Align;
            return Layout.DataStart <= MaxWrapperBytes ? ERROR_SUCCESS : ERROR_INVALID_INPUT_FILE;
        }
        Pos += 8 + Bytes + (Bytes & 1);
    }
    return ERROR_INVALID_INPUT_FILE;
}

} // namespace deraz::ape
