// Our stand-in for the Audio Compression Manager: the acm* calls with the results callers rely
// on. Instead of system drivers, the program installs its converters (TAcmCodec) at start.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/WaveFormatEx.h"

namespace deraz {

using MMRESULT = uint32_t;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_UNPREPARED = 514;

constexpr uint32_t ACM_METRIC_MAX_SIZE_FORMAT = 50;
constexpr uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr uint32_t ACM_STREAMOPENF_NONREALTIME = 0x00000004;
constexpr uint32_t ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;

constexpr uint16_t WAVE_FORMAT_PCM = 0x0001;
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;

struct ACMSTREAMHEADER {
    uint32_t cbStruct;
    uint32_t fdwStatus;
    uintptr_t dwUser;
    uint8_t* pbSrc;
    uint32_t cbSrcLength;
    uint32_t cbSrcLengthUsed;
    uintptr_t dwSrcUser;
    uint8_t* pbDst;
    uint32_t cbDstLength;
    uint32_t cbDstLengthUsed;
    uintptr_t dwDstUser;
    uint32_t dwReservedDriver[10];
};

struct TAcmStream;
using HACMSTREAM = TAcmStream*;
using HACMDRIVER = void*;
using HACMOBJ = void*;

// Metric ACM_METRIC_MAX_SIZE_FORMAT: the largest format record, as a 32-bit value in Output.
MMRESULT acmMetrics(HACMOBJ Object, uint32_t Metric, void* Output);
// With ACM_FORMATSUGGESTF_WFORMATTAG and a destination tag of WAVE_FORMAT_PCM: completes
// Dest with the PCM format Source converts to.
MMRESULT acmFormatSuggest(HACMDRIVER Driver, const WAVEFORMATEX* Source, WAVEFORMATEX* Dest,
                          uint32_t DestSize, uint32_t Flags);
// Opens a synchronous conversion from Source to Dest.
MMRESULT acmStreamOpen(HACMSTREAM* Stream, HACMDRIVER Driver, const WAVEFORMATEX* Source,
                       const WAVEFORMATEX* Dest, void* Filter, uintptr_t Callback, uintptr_t Instance,
                       uint32_t Flags);
// With ACM_STREAMSIZEF_SOURCE: a destination length large enough for Input source bytes.
MMRESULT acmStreamSize(HACMSTREAM Stream, uint32_t Input, uint32_t* Output, uint32_t Flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t Flags);
// Converts the whole source of a prepared header; cbDstLengthUsed tells how much was written.
MMRESULT acmStreamConvert(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t Flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t Flags);
MMRESULT acmStreamClose(HACMSTREAM Stream, uint32_t Flags);

// A converter from one compressed format to 16-bit PCM, in one pass over whole buffers.
struct TAcmCodec {
    uint16_t FormatTag = 0;
    // Completes Pcm (its tag already PCM) with the format Source converts to; false when none.
    std::function<bool(const WAVEFORMATEX& Source, WAVEFORMATEX& Pcm)> SuggestPcm;
    // Destination bytes that SourceBytes of Source can need at most.
    std::function<uint32_t(const WAVEFORMATEX& Source, uint32_t SourceBytes)> PcmSize;
    // Converts Data into Dest; the bytes written, or -1 when it fails or Dest is too small.
    std::function<int64_t(const WAVEFORMATEX& Source, const WAVEFORMATEX& Pcm, const uint8_t* Data,
                          uint32_t Size, uint8_t* Dest, uint32_t Capacity)>
        Convert;
};

// Makes Codec available to the calls above; a later codec for the same tag replaces it.
void AcmInstallCodec(TAcmCodec Codec);

} // namespace deraz
