#include <algorithm>

#include "codecs/ffmpeg/ACS_FFmpeg.h"
#include "codecs/ffmpeg/FFmpegIo.h"
#include "codecs/ffmpeg/M4aGapless.h"
#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

namespace {

const char* CodecText(TM4aCodec Codec) {
    return Codec == mcALAC ? "Apple Lossless" : "AAC";
}

// WAV's layout of Channels channels when Encoder lists it (or lists none), else the first layout
// of as many channels it lists; false when it lists none of that count.
bool ChooseLayout(const AVCodec& Encoder, int32_t Channels, AVChannelLayout& Layout) {
    const auto& Util = AvUtilLibrary().Functions();
    Util.av_channel_layout_from_mask(&Layout, WaveChannelMask(Channels));
    if (Layout.nb_channels != Channels) {
        Layout = AVChannelLayout{};
        Layout.order = AV_CHANNEL_ORDER_UNSPEC;
        Layout.nb_channels = Channels;
    }
    if (!Encoder.ch_layouts) return true;
    const AVChannelLayout* Same = nullptr;
    for (const AVChannelLayout* Listed = Encoder.ch_layouts; Listed->nb_channels != 0; ++Listed) {
        if (Util.av_channel_layout_compare(Listed, &Layout) == 0) return true;
        if (!Same && Listed->nb_channels == Channels) Same = Listed;
    }
    return Same && Util.av_channel_layout_copy(&Layout, Same) >= 0;
}

bool TakesRate(const AVCodec& Encoder, int32_t Rate) {
    if (!Encoder.supported_samplerates) return Rate > 0;
    for (const int* Listed = Encoder.supported_samplerates; *Listed != 0; ++Listed)
        if (*Listed == Rate) return true;
    return false;
}

} // namespace

// FFmpeg's libraries, with the dozens they depend on, are loaded when a file first needs them:
// every other conversion starts without that cost.
TM4aOut::TM4aOut(TComponent* AOwner) : TACSFileOut(AOwner) {}

TM4aOut::~TM4aOut() {
    TerminateWorker();
    CloseOutput();
}

void TM4aOut::Prepare() {
    RequireFFmpeg();
    OpenOutputStream();
    EndOfInput = false;
    FHeaderWritten = false;
    FFramesIn = FPackets = 0;
    StartInput();
    OpenEncoder();
    OpenMuxer();
}

void TM4aOut::OpenEncoder() {
    TACSInput* Source = Input();
    FInputBits = Source->BitsPerSample();
    FChannels = Source->Channels();
    const int32_t Rate = Source->SampleRate();
    const std::string Name = CodecText(FCodec);
    if (FInputBits != 8 && FInputBits != 16 && FInputBits != 24 && FInputBits != 32)
        throw EACSException(Name + " output takes 8 to 32 bits per sample; the input has " +
                            std::to_string(FInputBits) + ".");
    if (FCodec == mcALAC && FInputBits == 32)
        throw EACSException("Apple Lossless output holds 16 or 24 bits per sample; the input has 32.");
    if (FChannels < 1 || FChannels > MaxLaidOutChannels)
        throw EACSException(Name + " output holds at most 8 channels; the input has " +
                            std::to_string(FChannels) + ".");
    const auto& Codec = AvCodecLibrary().Functions();
    const AVCodec* Encoder = Codec.avcodec_find_encoder_by_name(FCodec == mcALAC ? "alac" : "aac");
    if (!Encoder) throw EACSException("FFmpeg's libraries hold no " + Name + " encoder.");
    if (!TakesRate(*Encoder, Rate))
        throw EACSException(Name + " output cannot hold a sample rate of " + std::to_string(Rate) + " Hz.");
    FEncoder = Codec.avcodec_alloc_context3(Encoder);
    FFrame = AvUtilLibrary()->av_frame_alloc();
    FPacket = Codec.av_packet_alloc();
    if (!FEncoder || !FFrame || !FPacket) throw EACSException("Not enough memory for FFmpeg's encoder.");
    if (!ChooseLayout(*Encoder, FChannels, FEncoder->ch_layout))
        throw EACSException(Name + " output cannot hold " + std::to_string(FChannels) + " channels.");
    FEncoder->sample_rate = Rate;
    FEncoder->time_base = AVRational{1, Rate};
    FEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER; // MPEG-4 keeps the decoder set-up in its index
    if (FCodec == mcAAC) {
        FEncoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
        FEncoder->bit_rate = int64_t(FBitRate) * 1000;
    } else {
        FEncoder->sample_fmt = FInputBits <= 16 ? AV_SAMPLE_FMT_S16P : AV_SAMPLE_FMT_S32P;
        FEncoder->bits_per_raw_sample = FInputBits <= 16 ? 16 : 24;
    }
    if (Codec.avcodec_open2(FEncoder, Encoder, nullptr) < 0)
        throw EACSException(Name + " encoder cannot be set up for " + std::to_string(Rate) + " Hz and " +
                            std::to_string(FChannels) + " channels.");
    FFrame->format = FEncoder->sample_fmt;
    FFrame->nb_samples = FEncoder->frame_size;
    if (AvUtilLibrary()->av_channel_layout_copy(&FFrame->ch_layout, &FEncoder->ch_layout) < 0 ||
        AvUtilLibrary()->av_frame_get_buffer(FFrame, 0) < 0)
        throw EACSException("Not enough memory for FFmpeg's encoder.");
    const size_t Samples = size_t(FEncoder->frame_size) * size_t(FChannels);
    FPcm.resize(Samples * size_t(PcmBytes(FInputBits)));
    FSamples.resize(Samples);
    FFloats.resize(FCodec == mcAAC ? Samples : 0);
}

void TM4aOut::OpenMuxer() {
    const auto& Format = AvFormatLibrary().Functions();
    if (Format.avformat_alloc_output_context2(&FMuxer, nullptr, "ipod", nullptr) < 0 || !FMuxer)
        throw EACSException("FFmpeg's libraries hold no MPEG-4 audio writer.");
    FIo = std::make_unique<TFFmpegIo>(*FStream, true);
    FMuxer->pb = FIo->Context();
    FMuxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    AVStream* Out = Format.avformat_new_stream(FMuxer, nullptr);
    if (!Out || AvCodecLibrary()->avcodec_parameters_from_context(Out->codecpar, FEncoder) < 0)
        throw EACSException("Not enough memory for FFmpeg's writer.");
    Out->time_base = FEncoder->time_base;
    // The movie's time scale is the sample rate, so that the edit list states the length to the
    // frame rather than to the millisecond.
    AVDictionary* Options = nullptr;
    AvUtilLibrary()->av_dict_set(&Options, "movie_timescale", std::to_string(FEncoder->sample_rate).c_str(),
                                 0);
    const int Result = Format.avformat_write_header(FMuxer, &Options);
    AvUtilLibrary()->av_dict_free(&Options);
    if (Result < 0) FailEncoding();
    FHeaderWritten = true;
}

bool TM4aOut::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    if (EndOfInput) return false;
    const int32_t Wanted = int32_t(FPcm.size());
    int32_t Filled = 0;
    while (Filled < Wanted) {
        const int32_t Got = ReadInput(FPcm.data() + Filled, Wanted - Filled);
        if (Got <= 0) {
            EndOfInput = true;
            break;
        }
        Filled += Got;
    }
    const int32_t FrameBytes = PcmBytes(FInputBits) * FChannels;
    if (Filled < FrameBytes) return false;
    FillFrame(Filled);
    Encode(FFrame);
    return true;
}

void TM4aOut::FillFrame(int32_t Bytes) {
    const auto& Util = AvUtilLibrary().Functions();
    FFrame->nb_samples = FEncoder->frame_size;
    if (Util.av_frame_make_writable(FFrame) < 0)
        throw EACSException("Not enough memory for FFmpeg's encoder.");
    const size_t Frames = size_t(Bytes / (PcmBytes(FInputBits) * FChannels));
    const size_t Channels = size_t(FChannels);
    if (FCodec == mcAAC) {
        UnpackPcmToFloat(FPcm.data(), FInputBits, Frames * Channels, FFloats.data());
        for (size_t C = 0; C < Channels; ++C) {
            auto* Plane = reinterpret_cast<float*>(FFrame->extended_data[C]);
            for (size_t I = 0; I < Frames; ++I) Plane[I] = FFloats[I * Channels + C];
        }
    } else {
        UnpackPcm(FPcm.data(), FInputBits, Frames * Channels, FSamples.data());
        // 8-bit samples widen to 16; 24-bit ones sit in the top bits of 32, as the encoder reads them.
        const int Shift = FInputBits == 8 ? 8 : FInputBits == 24 ? 8 : 0;
        for (size_t C = 0; C < Channels; ++C) {
            uint8_t* Plane = FFrame->extended_data[C];
            for (size_t I = 0; I < Frames; ++I) {
                const int32_t Value = int32_t(uint32_t(FSamples[I * Channels + C]) << Shift);
                if (FInputBits <= 16)
                    reinterpret_cast<int16_t*>(Plane)[I] = int16_t(Value);
                else
                    reinterpret_cast<int32_t*>(Plane)[I] = Value;
            }
        }
    }
    FFrame->nb_samples = int(Frames);
    FFrame->pts = FFramesIn;
    FFramesIn += int64_t(Frames);
}

void TM4aOut::Encode(const AVFrame* Frame) {
    const auto& Codec = AvCodecLibrary().Functions();
    int Result = Codec.avcodec_send_frame(FEncoder, Frame);
    if (Result < 0) FailEncoding();
    while ((Result = Codec.avcodec_receive_packet(FEncoder, FPacket)) >= 0) {
        Codec.av_packet_rescale_ts(FPacket, FEncoder->time_base, FMuxer->streams[0]->time_base);
        FPacket->stream_index = 0;
        Result = AvFormatLibrary()->av_write_frame(FMuxer, FPacket);
        Codec.av_packet_unref(FPacket);
        if (Result < 0) FailEncoding();
        ++FPackets;
    }
    if (Result != AVERROR(EAGAIN) && Result != AVERROR_EOF) FailEncoding();
}

void TM4aOut::FinishOutput() {
    if (!FHeaderWritten) return;
    Encode(nullptr);
    FHeaderWritten = false;
    if (AvFormatLibrary()->av_write_trailer(FMuxer) < 0) FailEncoding();
    AvFormatLibrary()->avio_flush(FIo->Context());
    if (!FIo->Error().empty()) FailEncoding();
    try {
        FStream->Flush();
    } catch (const std::exception&) {
        FailEncoding();
    }
    if (FCodec != mcAAC) return;
    const int64_t Priming = FEncoder->initial_padding;
    const int64_t Padding = std::max<int64_t>(0, FPackets * FEncoder->frame_size - Priming - FFramesIn);
    if (!WriteGaplessComment(FFileName, GaplessComment(Priming, Padding, FFramesIn))) FailEncoding();
}

void TM4aOut::CloseOutput() {
    // As the source: a sink that never prepared a file never loaded the libraries.
    if (FFrame) AvUtilLibrary()->av_frame_free(&FFrame);
    if (FPacket) AvCodecLibrary()->av_packet_free(&FPacket);
    if (FEncoder) AvCodecLibrary()->avcodec_free_context(&FEncoder);
    if (FMuxer) AvFormatLibrary()->avformat_free_context(FMuxer);
    FMuxer = nullptr;
    FIo.reset();
    FHeaderWritten = false;
    TACSFileOut::CloseOutput();
}

void TM4aOut::FailEncoding() const {
    // The stream's messages end with the system's reason after the file name.
    std::string Reason = FIo ? FIo->Error() : std::string();
    const size_t Colon = Reason.rfind(": ");
    if (Colon != std::string::npos) Reason = Reason.substr(Colon + 2);
    throw EACSException(Reason.empty() ? "Failed to encode data." : "Failed to encode data. " + Reason);
}

} // namespace deraz
