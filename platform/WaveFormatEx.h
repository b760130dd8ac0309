/* The 18-byte Windows wave format record; cbSize bytes of format-specific data follow it. A C
   header, shared by the Monkey's Audio library's interface and the Audio Compression Manager
   stand-in, so that the record has one definition everywhere. */
#pragma once

#include <stdint.h>

#pragma pack(push, 1)
typedef struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
} WAVEFORMATEX;
#pragma pack(pop)
