#include "codecs/wave/WaveConverter.h"

#include <algorithm>
#include <cstring>

#include "codecs/wave/AcmMpegLayer3.h"
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
    int64_t Start = Source.Position();
    std::vector<uint8_t> File(size_t(std::max<int64_t>(0, Source.Size() - Start)));
    File.resize(size_t(Source.Read(File.data(), int64_t(File.size()))));
    if (File.size() < 12 || std::memcmp(File.data(), "RIFF", 4) != 0 ||
        std::memcmp(File.data() + 8, "WAVE", 4) != 0)
        return;
    // An 8-byte window (chunk ID, size) moves one byte at a time; after a chunk's body it goes
    // on from 7 bytes before the end of that body.
    size_t Length = File.size();
    size_t Position = 5;
    while (Position + 8 <= Length && Position < Length - 1) {
        const uint8_t* Window = File.data() + Position;
        size_t Body = Position + 8;
        size_t BodySize = std::min<size_t>(LittleEndian32(Window + 4), Length - Body);
        bool Format = std::memcmp(Window, "fmt ", 4) == 0, Fact = std::memcmp(Window, "fact", 4) == 0;
        bool Data = std::memcmp(Window, "data", 4) == 0 && LittleEndian32(Window + 4) > 0;
        if (!Format && !Fact && !Data) {
            ++Position;
            continue;
        }
        if (Format) {
            FSourceFormat.fill(0);
            std::copy_n(File.data() + Body, std::min(BodySize, FormatBufferCapacity), FSourceFormat.begin());
        } else if (Data) {
            FContents.assign(File.data() + Body, File.data() + Body + BodySize);
        }
        Position = std::max(Body + BodySize, Position + 8) - 7;
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
