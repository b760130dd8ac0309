// WAV wrapper of the PCM: the header a decoder writes when none is stored, and the parts of a
// WAV file an encoder keeps.
#pragma once

#include "macdll/ApeFormat.h"

#include <cstdint>
#include <vector>

namespace deraz::ape {

constexpr uint16_t WaveFormatPcm = 1;
constexpr uint16_t WaveFormatExtensible = 0xFFFE;
constexpr size_t CanonicalWavHeaderBytes = 44;

// The 44-byte header of a plain PCM WAV file holding the file's audio and terminating data.
std::vector<uint8_t> CanonicalWavHeader(const TApeFileInfo& Info);

// Where the audio of a WAV file lies.
struct TWavLayout {
    int32_t Channels = 0;
    int32_t BitsPerSample = 0;
    int32_t SampleRate = 0;
    int64_t DataStart = 0; // bytes before it: the header to store
    int64_t DataBytes = 0; // whole blocks only; everything after them is terminating data
};

// Reads the chunks of a PCM WAV file. Returns 0 or an error code of MACDll.h.
int ReadWavLayout(TFile& File, TWavLayout& Layout);

} // namespace deraz::ape
