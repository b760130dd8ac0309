#include "codecs/wave/WaveConverter.h"

#include <algorithm>
#include <cstring>

#include "codecs/wave/AcmMpegLayer3.h"
#include "codecs/wave/RiffWalker.h"
#include "codecs/wave/WavHeaderWriter.h"
#include "platform/ByteOrder.h"

namespace deraz {

TWaveConverter::TWaveConverter() {
    InstallMpegLayer3AcmCodec();
    uint32_t Size = 0;
    if (acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &Size) == MMSYSERR_NOERROR)
        FFormatBufferSize = std::min<uint32_t>(Size, FormatBufferCapacity);
}

void TWaveConverter::LoadWave(TFileStream& Source) {
    TFileWaveSource Wave(Source);
    TRiffWalker Chunks(Wave);
    if (!Chunks.FindContainer()) return;
    TRiffChunk Chunk;
    while (Chunks.Next(Chunk)) {
        if (Chunk.Is("fmt ")) {
            std::vector<uint8_t> Format = Chunks.ReadBody(Chunk, FormatBufferCapacity);
            std::copy(Format.begin(), Format.end(), FSourceFormat.begin());
        } else if (Chunk.Is("data")) {
            // What the file holds of the data, however much more its size field declares.
            FContents =
                Chunks.ReadBody(Chunk, size_t(std::min(Chunk.Size, Wave.Size() - Chunk.BodyOffset())));
            return;
        }
    }
}

int32_t TWaveConverter::ConvertData() {
    HACMSTREAM Stream = nullptr;
    if (auto Result = acmStreamOpen(&Stream, nullptr, SourceFormat(), TargetFormat(), nullptr, 0, 0,
                                    ACM_STREAMOPENF_NONREALTIME))
        return int32_t(Result);
    auto Fail = [&](MMRESULT Result) {
        acmStreamClose(Stream, 0);
        return int32_t(Result);
    };
    uint32_t DestLength = 0;
    if (auto Result = acmStreamSize(Stream, uint32_t(FContents.size()), &DestLength, ACM_STREAMSIZEF_SOURCE))
        return Fail(Result);
    std::vector<uint8_t> Dest(DestLength, 0);
    ACMSTREAMHEADER Header{};
    Header.cbStruct = sizeof Header;
    Header.pbSrc = FContents.data();
    Header.cbSrcLength = uint32_t(FContents.size());
    Header.pbDst = Dest.data();
    Header.cbDstLength = DestLength;
    if (auto Result = acmStreamPrepareHeader(Stream, &Header, 0)) return Fail(Result);
    if (auto Result = acmStreamConvert(Stream, &Header, ACM_STREAMCONVERTF_BLOCKALIGN)) {
        acmStreamUnprepareHeader(Stream, &Header, 0);
        return Fail(Result);
    }
    std::copy_n(FTargetFormat.begin(), FFormatBufferSize, FSourceFormat.begin());
    // Only what the conversion wrote: the destination was sized generously.
    Dest.resize(Header.cbDstLengthUsed);
    FContents = std::move(Dest);
    if (auto Result = acmStreamUnprepareHeader(Stream, &Header, 0)) return Fail(Result);
    return int32_t(acmStreamClose(Stream, 0));
}

int32_t TWaveConverter::SaveWave(std::vector<uint8_t>& Dest) const {
    if (FContents.size() > UINT32_MAX - WaveHeaderSize) return -1;
    TWaveFormatRecord Format;
    std::copy_n(FSourceFormat.begin(), Format.size(), Format.begin());
    auto Header = WaveFileHeader(Format, uint32_t(FContents.size()));
    Dest.insert(Dest.end(), Header.begin(), Header.end());
    Dest.insert(Dest.end(), FContents.begin(), FContents.end());
    return 0;
}

std::optional<std::vector<uint8_t>> TWaveConverter::ToPcmWave(TFileStream& File) {
    TWaveConverter Converter;
    File.Seek(0);
    Converter.LoadWave(File);
    Converter.TargetFormat()->wFormatTag = WAVE_FORMAT_PCM;
    if (acmFormatSuggest(nullptr, Converter.SourceFormat(), Converter.TargetFormat(), FormatBufferCapacity,
                         ACM_FORMATSUGGESTF_WFORMATTAG) != MMSYSERR_NOERROR ||
        Converter.ConvertData() != 0)
        return std::nullopt;
    std::vector<uint8_t> Wave;
    if (Converter.SaveWave(Wave) != 0) return std::nullopt;
    return Wave;
}

} // namespace deraz
