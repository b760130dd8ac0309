#include "platform/Acm.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace deraz {

struct TAcmStream {
    TAcmCodec Codec;
    WAVEFORMATEX Source;
    WAVEFORMATEX Pcm;
};

namespace {

// The largest format record a codec uses (the MPEG Layer-3 record is the format record and
// 12 more bytes).
constexpr uint32_t MaxFormatSize = sizeof(WAVEFORMATEX) + 12;

struct TCodecTable {
    std::mutex Mutex;
    std::vector<TAcmCodec> Codecs;
};

TCodecTable& Codecs() {
    static TCodecTable Table;
    return Table;
}

std::optional<TAcmCodec> FindCodec(uint16_t FormatTag) {
    auto& Table = Codecs();
    std::lock_guard Lock(Table.Mutex);
    for (const auto& Codec : Table.Codecs)
        if (Codec.FormatTag == FormatTag) return Codec;
    return std::nullopt;
}

bool SamePcm(const WAVEFORMATEX& A, const WAVEFORMATEX& B) {
    return A.wFormatTag == B.wFormatTag && A.nChannels == B.nChannels &&
           A.nSamplesPerSec == B.nSamplesPerSec && A.wBitsPerSample == B.wBitsPerSample &&
           A.nBlockAlign == B.nBlockAlign;
}

} // namespace

void AcmInstallCodec(TAcmCodec Codec) {
    auto& Table = Codecs();
    std::lock_guard Lock(Table.Mutex);
    for (auto& Existing : Table.Codecs)
        if (Existing.FormatTag == Codec.FormatTag) {
            Existing = std::move(Codec);
            return;
        }
    Table.Codecs.push_back(std::move(Codec));
}

MMRESULT acmMetrics(HACMOBJ /*Object*/, uint32_t Metric, void* Output) {
    if (!Output) return MMSYSERR_INVALPARAM;
    if (Metric != ACM_METRIC_MAX_SIZE_FORMAT) return MMSYSERR_NOTSUPPORTED;
    *static_cast<uint32_t*>(Output) = MaxFormatSize;
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatSuggest(HACMDRIVER /*Driver*/, const WAVEFORMATEX* Source, WAVEFORMATEX* Dest,
                          uint32_t DestSize, uint32_t Flags) {
    if (!Source || !Dest || DestSize < sizeof(WAVEFORMATEX)) return MMSYSERR_INVALPARAM;
    if (Flags != ACM_FORMATSUGGESTF_WFORMATTAG) return MMSYSERR_INVALFLAG;
    if (Dest->wFormatTag != WAVE_FORMAT_PCM) return ACMERR_NOTPOSSIBLE;
    auto Codec = FindCodec(Source->wFormatTag);
    WAVEFORMATEX Pcm{};
    Pcm.wFormatTag = WAVE_FORMAT_PCM;
    if (!Codec || !Codec->SuggestPcm(*Source, Pcm)) return ACMERR_NOTPOSSIBLE;
    *Dest = Pcm;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamOpen(HACMSTREAM* Stream, HACMDRIVER /*Driver*/, const WAVEFORMATEX* Source,
                       const WAVEFORMATEX* Dest, void* /*Filter*/, uintptr_t /*Callback*/,
                       uintptr_t /*Instance*/, uint32_t /*Flags*/) {
    if (!Stream || !Source || !Dest) return MMSYSERR_INVALPARAM;
    *Stream = nullptr;
    auto Codec = FindCodec(Source->wFormatTag);
    WAVEFORMATEX Pcm{};
    Pcm.wFormatTag = WAVE_FORMAT_PCM;
    // Only the one PCM format the codec makes is possible.
    if (!Codec || !Codec->SuggestPcm(*Source, Pcm) || !SamePcm(Pcm, *Dest)) return ACMERR_NOTPOSSIBLE;
    // The caller owns the stream until acmStreamClose.
    *Stream = std::make_unique<TAcmStream>(TAcmStream{std::move(*Codec), *Source, Pcm}).release();
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM Stream, uint32_t Input, uint32_t* Output, uint32_t Flags) {
    if (!Stream) return MMSYSERR_INVALHANDLE;
    if (!Output) return MMSYSERR_INVALPARAM;
    if (Flags != ACM_STREAMSIZEF_SOURCE) return MMSYSERR_NOTSUPPORTED;
    *Output = Stream->Codec.PcmSize(Stream->Source, Input);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t /*Flags*/) {
    if (!Stream) return MMSYSERR_INVALHANDLE;
    if (!Header || Header->cbStruct < sizeof(ACMSTREAMHEADER) || (!Header->pbSrc && Header->cbSrcLength) ||
        (!Header->pbDst && Header->cbDstLength))
        return MMSYSERR_INVALPARAM;
    Header->fdwStatus |= ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t /*Flags*/) {
    if (!Stream) return MMSYSERR_INVALHANDLE;
    if (!Header) return MMSYSERR_INVALPARAM;
    if (!(Header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
    int64_t Written = Stream->Codec.Convert(Stream->Source, Stream->Pcm, Header->pbSrc, Header->cbSrcLength,
                                            Header->pbDst, Header->cbDstLength);
    if (Written < 0) return ACMERR_NOTPOSSIBLE;
    Header->cbSrcLengthUsed = Header->cbSrcLength;
    Header->cbDstLengthUsed = uint32_t(Written);
    Header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t /*Flags*/) {
    if (!Stream) return MMSYSERR_INVALHANDLE;
    if (!Header) return MMSYSERR_INVALPARAM;
    if (!(Header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
    Header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM Stream, uint32_t /*Flags*/) {
    if (!Stream) return MMSYSERR_INVALHANDLE;
    std::unique_ptr<TAcmStream> Owned(Stream);
    return MMSYSERR_NOERROR;
}

} // namespace deraz
