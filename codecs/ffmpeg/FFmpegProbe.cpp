#include "codecs/ffmpeg/FFmpegProbe.h"

#include <cctype>
#include <memory>

#include "codecs/ffmpeg/FFmpegIo.h"

namespace deraz {

namespace {

struct TInputCloser {
    void operator()(AVFormatContext* Format) const { AvFormatLibrary()->avformat_close_input(&Format); }
};

void AddTags(const AVDictionary* Metadata, TMediaProbe& Result) {
    const AVDictionaryEntry* Entry = nullptr;
    while ((Entry = AvUtilLibrary()->av_dict_get(Metadata, "", Entry, AV_DICT_IGNORE_SUFFIX)))
        Result.Tags.emplace_back(Entry->key, Entry->value);
}

void Probe(TFileStream& Stream, TMediaProbe& Result) {
    const auto& Format = AvFormatLibrary().Functions();
    const auto& Codec = AvCodecLibrary().Functions();
    TFFmpegIo Io(Stream, false);
    AVFormatContext* Opened = Format.avformat_alloc_context();
    if (!Opened) return;
    Opened->pb = Io.Context();
    Opened->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (Format.avformat_open_input(&Opened, nullptr, nullptr, nullptr) < 0) return;
    std::unique_ptr<AVFormatContext, TInputCloser> Container(Opened);
    if (Format.avformat_find_stream_info(Opened, nullptr) < 0) return;
    for (unsigned I = 0; I < Opened->nb_streams; ++I) {
        const AVStream* Stream = Opened->streams[I];
        const AVCodecParameters* Parameters = Stream->codecpar;
        if (Parameters->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        Result.Valid = true;
        Result.Codec = Codec.avcodec_get_name(Parameters->codec_id);
        for (char& C : Result.Codec) C = char(std::toupper(static_cast<unsigned char>(C)));
        if (const AVCodec* Decoder = Codec.avcodec_find_decoder(Parameters->codec_id)) {
            const char* Profile = Codec.avcodec_profile_name(Parameters->codec_id, Parameters->profile);
            if (Profile)
                Result.Codec += std::string(" (") + Profile + ")";
            else if (Decoder->long_name)
                Result.Codec += std::string(" (") + Decoder->long_name + ")";
        }
        if (const AVDictionaryEntry* Tag =
                AvUtilLibrary()->av_dict_get(Opened->metadata, "encoder", nullptr, 0))
            Result.Encoder = Tag->value;
        Result.SampleRate = Parameters->sample_rate;
        Result.Channels = Parameters->ch_layout.nb_channels;
        Result.Bits = Parameters->bits_per_raw_sample;
        if (Stream->duration > 0)
            Result.Duration = double(Stream->duration) * Stream->time_base.num / Stream->time_base.den;
        else if (Opened->duration > 0)
            Result.Duration = double(Opened->duration) / AV_TIME_BASE;
        Result.Bitrate = Parameters->bit_rate > 0 ? Parameters->bit_rate : Opened->bit_rate;
        AddTags(Opened->metadata, Result);
        AddTags(Stream->metadata, Result);
        return;
    }
}

} // namespace

TMediaProbe ProbeMedia(const std::string& FileName) {
    TMediaProbe Result;
    if (!FFmpegLoaded()) return Result;
    try {
        TFileStream Stream(FileName, TFileOpenMode::ReadOnly);
        Result.FileSize = Stream.Size();
        Probe(Stream, Result);
    } catch (const std::exception&) {
        Result.Valid = false;
    }
    return Result;
}

} // namespace deraz
