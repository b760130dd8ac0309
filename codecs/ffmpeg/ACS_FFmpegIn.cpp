#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "codecs/ffmpeg/ACS_FFmpeg.h"
#include "codecs/ffmpeg/FFmpegIo.h"
#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

namespace {

// "1:02.345" for frame Frame at Rate.
std::string TimeText(int64_t Frame, int32_t Rate) {
    const long long Millis = (long long)(Frame * 1000 / std::max(Rate, 1));
    char Text[48];
    std::snprintf(Text, sizeof Text, "%lld:%02lld.%03lld", Millis / 60000, Millis / 1000 % 60, Millis % 1000);
    return Text;
}

std::string UpperCase(std::string Text) {
    for (char& C : Text) C = char(std::toupper(static_cast<unsigned char>(C)));
    return Text;
}

std::string FourCC(uint32_t Tag) {
    std::string Text;
    for (int Byte = 0; Byte < 4; ++Byte) {
        char C = char(Tag >> (8 * Byte));
        Text += C >= 32 && C < 127 ? C : '?';
    }
    return Text;
}

// The pipeline's bits for a decoder's samples: integers as they are (a 32-bit sample holding
// StoredBits of 24 or fewer as 24), floats as 24-bit integers; 0 for what it cannot carry.
int32_t DeliveredBits(AVSampleFormat Format, int32_t StoredBits) {
    switch (Format) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_U8P:
        return 8;
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P:
        return 16;
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P:
        return StoredBits > 0 && StoredBits <= 24 ? 24 : 32;
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP:
    case AV_SAMPLE_FMT_DBL:
    case AV_SAMPLE_FMT_DBLP:
        return 24;
    case AV_SAMPLE_FMT_S64:
    case AV_SAMPLE_FMT_S64P:
        return 32;
    default:
        return 0;
    }
}

// One channel of a decoded frame: its first sample and the distance between samples.
struct TChannelSource {
    const uint8_t* First;
    size_t Step; // in samples
    size_t Frames;
};

// Copies a channel into interleaved little-endian samples of Width bytes, each value made by
// Convert from a sample of type T.
template <class T, int Width, class TConvert>
void CopyChannel(const TChannelSource& In, uint8_t* Out, size_t OutStep, TConvert Convert) {
    for (size_t I = 0; I < In.Frames; ++I, Out += OutStep) {
        T Sample;
        std::memcpy(&Sample, In.First + I * In.Step * sizeof(T), sizeof(T));
        const uint32_t Value = uint32_t(Convert(Sample));
        for (int Byte = 0; Byte < Width; ++Byte) Out[Byte] = uint8_t(Value >> (8 * Byte));
    }
}

void CopyChannel(AVSampleFormat Format, int32_t Bits, const TChannelSource& In, uint8_t* Out,
                 size_t OutStep) {
    auto Same = [](auto Sample) { return int32_t(Sample); };
    auto Float = [](auto Sample) { return FloatToInt24(double(Sample)); };
    switch (Format) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_U8P:
        return CopyChannel<uint8_t, 1>(In, Out, OutStep, Same);
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P:
        return CopyChannel<int16_t, 2>(In, Out, OutStep, Same);
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P:
        if (Bits == 24) return CopyChannel<int32_t, 3>(In, Out, OutStep, [](int32_t S) { return S >> 8; });
        return CopyChannel<int32_t, 4>(In, Out, OutStep, Same);
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP:
        return CopyChannel<float, 3>(In, Out, OutStep, Float);
    case AV_SAMPLE_FMT_DBL:
    case AV_SAMPLE_FMT_DBLP:
        return CopyChannel<double, 3>(In, Out, OutStep, Float);
    default:
        return CopyChannel<int64_t, 4>(In, Out, OutStep, [](int64_t S) { return int32_t(S >> 32); });
    }
}

} // namespace

// The libraries are loaded when a file is first opened, as the sink does.
TFFmpegIn::TFFmpegIn(TComponent* AOwner) : TACSFileIn(AOwner) {}

TFFmpegIn::~TFFmpegIn() {
    CloseSource();
}

void TFFmpegIn::OpenSource() {
    if (FFileName.empty()) throw EACSException("File name is not assigned");
    RequireFFmpeg();
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    FSampleRate = FChannels = FBitsPerSample = 0;
    FTotalSamples = 0;
    FSize = 0;
    FCodecName.clear();
    FDecodeError = OpenDecoder();
    if (FDecodeError.empty()) FDecodeError = TakeFormat();
    FValid = FDecodeError.empty();
    FSeekTarget = 0;
}

std::string TFFmpegIn::OpenDecoder() {
    const auto& Format = AvFormatLibrary().Functions();
    const auto& Codec = AvCodecLibrary().Functions();
    FStream->Seek(0);
    FIo = std::make_unique<TFFmpegIo>(*FStream, false);
    FFormat = Format.avformat_alloc_context();
    FPacket = Codec.av_packet_alloc();
    FFrame = AvUtilLibrary()->av_frame_alloc();
    if (!FFormat || !FPacket || !FFrame) throw EACSException("Not enough memory for FFmpeg's decoder.");
    FFormat->pb = FIo->Context();
    FFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure the context is freed and the pointer cleared.
    if (Format.avformat_open_input(&FFormat, nullptr, nullptr, nullptr) < 0)
        return FIo->Error().empty()
                   ? "The file is in no container FFmpeg's libraries read, or its index is cut off."
                   : FIo->Error();
    if (Format.avformat_find_stream_info(FFormat, nullptr) < 0) return "The file's streams cannot be read.";
    bool Video = false;
    for (unsigned I = 0; I < FFormat->nb_streams && !FAudio; ++I) {
        AVStream* Stream = FFormat->streams[I];
        if (Stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) FAudio = Stream;
        if (Stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(Stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            Video = true;
    }
    if (FFormat->nb_streams == 0) return "The file holds no streams; its index is missing or cut off.";
    if (!FAudio)
        return Video ? "The file holds only video, no audio stream." : "The file holds no audio stream.";
    // The demuxer skips the packets of every other stream (a video's frames) unread.
    for (unsigned I = 0; I < FFormat->nb_streams; ++I)
        if (FFormat->streams[I] != FAudio) FFormat->streams[I]->discard = AVDISCARD_ALL;
    const AVCodecParameters* Parameters = FAudio->codecpar;
    if (Parameters->codec_tag == MKTAG('d', 'r', 'm', 's'))
        return "The file holds a protected (DRM) audio stream, which cannot be decoded.";
    if (Parameters->codec_id == AV_CODEC_ID_NONE)
        return "The file holds audio of an unknown kind ('" + FourCC(Parameters->codec_tag) +
               "'), which cannot be decoded.";
    FCodecName = UpperCase(Codec.avcodec_get_name(Parameters->codec_id));
    const AVCodec* Decoder = Codec.avcodec_find_decoder(Parameters->codec_id);
    if (!Decoder) return "The file holds " + FCodecName + " audio, which cannot be decoded.";
    FCodec = Codec.avcodec_alloc_context3(Decoder);
    if (!FCodec) throw EACSException("Not enough memory for FFmpeg's decoder.");
    if (Codec.avcodec_parameters_to_context(FCodec, Parameters) < 0)
        return "The " + FCodecName + " stream is damaged.";
    FCodec->pkt_timebase = FAudio->time_base;
    // As many threads as cores, as ffmpeg itself decodes (Apple Lossless decodes frames in parallel).
    FCodec->thread_count = 0;
    if (Codec.avcodec_open2(FCodec, Decoder, nullptr) < 0)
        return "The " + FCodecName + " stream cannot be decoded.";
    FDecodedFrames = 0;
    FDrained = false;
    return {};
}

std::string TFFmpegIn::TakeFormat() {
    FSampleRate = FCodec->sample_rate;
    FChannels = FCodec->ch_layout.nb_channels;
    FSampleFormat = FCodec->sample_fmt;
    FStoredBits =
        FCodec->bits_per_raw_sample > 0 ? FCodec->bits_per_raw_sample : FAudio->codecpar->bits_per_raw_sample;
    FBitsPerSample = DeliveredBits(AVSampleFormat(FSampleFormat), FStoredBits);
    if (FSampleRate <= 0 || FChannels <= 0)
        return "The " + FCodecName + " stream declares no sample rate or no channels.";
    if (FChannels > MaxLaidOutChannels)
        return "The " + FCodecName + " stream has " + std::to_string(FChannels) + " channels; at most " +
               std::to_string(MaxLaidOutChannels) + " are read.";
    if (FBitsPerSample == 0) return "The " + FCodecName + " stream's samples are of a kind that is not read.";
    // MPEG-4 states the length exactly (its edit list, else the samples' durations); elsewhere a
    // duration is an estimate, and the stream is read to its end.
    const AVRational Frames{1, FSampleRate};
    const bool Mpeg4 = std::string_view(FFormat->iformat->name).find("mp4") != std::string_view::npos;
    FExactLength = Mpeg4 && FAudio->duration > 0;
    if (FAudio->duration > 0)
        FTotalSamples = AvUtilLibrary()->av_rescale_q(FAudio->duration, FAudio->time_base, Frames);
    else if (FFormat->duration > 0)
        FTotalSamples = AvUtilLibrary()->av_rescale_q(FFormat->duration, AVRational{1, AV_TIME_BASE}, Frames);
    FSize = FExactLength ? FTotalSamples * PcmBytes(FBitsPerSample) * FChannels : -1;
    return {};
}

void TFFmpegIn::ReleaseDecoder() {
    // Nothing allocated, nothing to free: a source that never opened a file never loaded the
    // libraries either.
    if (FFrame) AvUtilLibrary()->av_frame_free(&FFrame);
    if (FPacket) AvCodecLibrary()->av_packet_free(&FPacket);
    if (FCodec) AvCodecLibrary()->avcodec_free_context(&FCodec);
    if (FFormat) AvFormatLibrary()->avformat_close_input(&FFormat);
    FIo.reset();
    FAudio = nullptr;
}

void TFFmpegIn::CloseSource() {
    ReleaseDecoder();
    FStream.reset();
    FBuffer = {};
}

bool TFFmpegIn::Seek(int64_t SampleNum) {
    if (!FValid || !FStream || SampleNum < 0) return false;
    ReleaseDecoder();
    if (!OpenDecoder().empty()) {
        FValid = false;
        return false;
    }
    FSeekTarget = SampleNum;
    return true;
}

std::span<const uint8_t> TFFmpegIn::Refill() {
    if (!FValid) throw EACSException(FDecodeError.empty() ? "The file cannot be decoded." : FDecodeError);
    const bool Limited = FExactLength || FEndSample != -1;
    const int64_t FrameBytes = int64_t(PcmBytes(FBitsPerSample)) * FChannels;
    while (!Limited || FPosition < FSize) {
        if (!DecodeFrame()) {
            // A stream that ends short of the length its container states is cut off.
            if (FExactLength && FDecodedFrames < FTotalSamples) FailAt(FDecodedFrames, "is damaged");
            return {};
        }
        const int64_t First = FDecodedFrames;
        const int64_t Frames = StoreFrame();
        FDecodedFrames += Frames;
        // Frames before a seek's target are dropped; the read ends at its stated length.
        const int64_t Begin = std::clamp<int64_t>(FSeekTarget - First, 0, Frames) * FrameBytes;
        int64_t End = Frames * FrameBytes;
        if (Limited) End = std::min(End, Begin + std::max<int64_t>(0, FSize - FPosition));
        if (End > Begin) return {FBuffer.data() + Begin, size_t(End - Begin)};
    }
    return {};
}

bool TFFmpegIn::DecodeFrame() {
    const auto& Codec = AvCodecLibrary().Functions();
    for (;;) {
        int Result = Codec.avcodec_receive_frame(FCodec, FFrame);
        if (Result >= 0) return true;
        if (Result == AVERROR_EOF || (Result == AVERROR(EAGAIN) && FDrained)) return false;
        if (Result != AVERROR(EAGAIN)) FailAt(FDecodedFrames, "is damaged");
        Result = AvFormatLibrary()->av_read_frame(FFormat, FPacket);
        if (Result == AVERROR_EOF) {
            FDrained = true;
            Codec.avcodec_send_packet(FCodec, nullptr);
            continue;
        }
        if (Result < 0) FailAt(FDecodedFrames, "is damaged");
        if (FPacket->stream_index == FAudio->index) Result = Codec.avcodec_send_packet(FCodec, FPacket);
        Codec.av_packet_unref(FPacket);
        if (Result < 0 && Result != AVERROR(EAGAIN)) FailAt(FDecodedFrames, "is damaged");
    }
}

int64_t TFFmpegIn::StoreFrame() {
    if (FFrame->format != FSampleFormat || FFrame->ch_layout.nb_channels != FChannels ||
        FFrame->sample_rate != FSampleRate)
        FailAt(FDecodedFrames, "changes its format");
    const size_t Frames = size_t(std::max(FFrame->nb_samples, 0));
    const size_t Width = size_t(PcmBytes(FBitsPerSample));
    const size_t Channels = size_t(FChannels);
    FBuffer.resize(Frames * Width * Channels);
    const auto Format = AVSampleFormat(FSampleFormat);
    const bool Planar = AvUtilLibrary()->av_sample_fmt_is_planar(Format);
    const size_t SampleBytes = size_t(AvUtilLibrary()->av_get_bytes_per_sample(Format));
    for (size_t C = 0; C < Channels; ++C) {
        const uint8_t* Plane = FFrame->extended_data[Planar ? C : 0];
        const TChannelSource In{Planar ? Plane : Plane + C * SampleBytes, Planar ? 1 : Channels, Frames};
        CopyChannel(Format, FBitsPerSample, In, FBuffer.data() + C * Width, Width * Channels);
    }
    AvUtilLibrary()->av_frame_unref(FFrame);
    return int64_t(Frames);
}

void TFFmpegIn::FailAt(int64_t Frame, const char* What) const {
    throw EACSException("The " + FCodecName + " stream " + What + " at " + TimeText(Frame, FSampleRate) +
                        ".");
}

} // namespace deraz
