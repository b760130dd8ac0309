#include "codecs/mp3/MadDecoder.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"

namespace deraz {

namespace {

constexpr size_t InputChunk = 64 * 1024;
// Samples every MPEG audio decoder's synthesis filter bank lags behind its input.
constexpr int64_t DecoderDelay = 529;

int16_t ToSample(mad_fixed_t Value) {
    Value += mad_fixed_t(1) << (MAD_F_FRACBITS - 16);
    Value = std::clamp<mad_fixed_t>(Value, -MAD_F_ONE, MAD_F_ONE - 1);
    return int16_t(Value >> (MAD_F_FRACBITS + 1 - 16));
}

} // namespace

TXingFrame ParseXingFrame(const uint8_t* Frame, size_t Available, bool Lsf, bool Mono, bool Crc) {
    TXingFrame Result;
    size_t SideInfo = Lsf ? (Mono ? 9 : 17) : (Mono ? 17 : 32);
    size_t Offset = 4 + (Crc ? 2 : 0) + SideInfo;
    if (Available < Offset + 8) return Result;
    const uint8_t* P = Frame + Offset;
    if (std::memcmp(P, "Xing", 4) != 0 && std::memcmp(P, "Info", 4) != 0) return Result;
    Result.Present = true;
    uint32_t Flags = BigEndian32(P + 4);
    size_t At = Offset + 8;
    auto Fits = [&](size_t Bytes) { return At + Bytes <= Available; };
    if (Flags & 1) {
        if (!Fits(4)) return Result;
        Result.Frames = BigEndian32(Frame + At);
        At += 4;
    }
    At += (Flags & 2 ? 4 : 0) + (Flags & 4 ? 100 : 0) + (Flags & 8 ? 4 : 0);
    // The LAME extension: a 9-byte encoder name, then at byte 21 the 12-bit delay and padding.
    if (!Fits(24)) return Result;
    const uint8_t* Lame = Frame + At;
    if (!std::all_of(Lame, Lame + 4, [](uint8_t C) { return C >= 0x20 && C < 0x7F; })) return Result;
    Result.EncoderDelay = Lame[21] << 4 | Lame[22] >> 4;
    Result.Padding = (Lame[22] & 0x0F) << 8 | Lame[23];
    return Result;
}

TMadDecoder::TMadDecoder(const TMadApi& Api, TReader Reader, TWriter Writer)
    : Api(Api), FReader(std::move(Reader)), FWriter(std::move(Writer)),
      FInput(InputChunk + MAD_BUFFER_GUARD) {}

int64_t TMadDecoder::Run() {
    mad_decoder Decoder;
    Api.mad_decoder_init(&Decoder, this, Input, nullptr, Filter, Output, Error, nullptr);
    Api.mad_decoder_run(&Decoder, MAD_DECODER_MODE_SYNC);
    Api.mad_decoder_finish(&Decoder);
    if (FFailure) std::rethrow_exception(FFailure);
    return FDelivered;
}

template <class Step> mad_flow TMadDecoder::Guarded(Step&& Action) {
    try {
        return Action();
    } catch (...) {
        FFailure = std::current_exception();
        return MAD_FLOW_BREAK;
    }
}

mad_flow TMadDecoder::Input(void* Data, mad_stream* Stream) {
    auto& Self = *static_cast<TMadDecoder*>(Data);
    return Self.Guarded([&] { return Self.ReadMore(*Stream); });
}

mad_flow TMadDecoder::ReadMore(mad_stream& Stream) {
    if (FInputEnded) return MAD_FLOW_STOP;
    // The incomplete frame at the end of the last buffer moves to the front.
    size_t Kept = Stream.next_frame ? size_t(Stream.bufend - Stream.next_frame) : 0;
    if (Kept >= InputChunk) Kept = 0;
    if (Kept) std::memmove(FInput.data(), Stream.next_frame, Kept);
    size_t Got = FReader(FInput.data() + Kept, InputChunk - Kept);
    if (Got == 0) {
        // Zero bytes after the last frame let the decoder finish it.
        FInputEnded = true;
        std::memset(FInput.data() + Kept, 0, MAD_BUFFER_GUARD);
        Got = MAD_BUFFER_GUARD;
    }
    Api.mad_stream_buffer(&Stream, FInput.data(), Kept + Got);
    return MAD_FLOW_CONTINUE;
}

mad_flow TMadDecoder::Filter(void* Data, const mad_stream* Stream, mad_frame* Frame) {
    auto& Self = *static_cast<TMadDecoder*>(Data);
    if (!Self.FFirstFrame) return MAD_FLOW_CONTINUE;
    Self.FFirstFrame = false;
    const mad_header& Header = Frame->header;
    if (Header.layer != MAD_LAYER_III) return MAD_FLOW_CONTINUE;
    bool Lsf = Header.flags & MAD_FLAG_LSF_EXT;
    TXingFrame Xing =
        ParseXingFrame(Stream->this_frame, size_t(Stream->bufend - Stream->this_frame), Lsf,
                       Header.mode == MAD_MODE_SINGLE_CHANNEL, Header.flags & MAD_FLAG_PROTECTION);
    if (!Xing.Present) return MAD_FLOW_CONTINUE;
    if (Xing.EncoderDelay >= 0) {
        Self.FSkip = Xing.EncoderDelay + DecoderDelay;
        if (Xing.Frames >= 0)
            Self.FRemaining =
                std::max<int64_t>(0, Xing.Frames * (Lsf ? 576 : 1152) - Xing.EncoderDelay - Xing.Padding);
    }
    return MAD_FLOW_IGNORE;
}

mad_flow TMadDecoder::Output(void* Data, const mad_header* /*Header*/, mad_pcm* Pcm) {
    auto& Self = *static_cast<TMadDecoder*>(Data);
    return Self.Guarded([&] {
        Self.Deliver(*Pcm);
        return MAD_FLOW_CONTINUE;
    });
}

void TMadDecoder::Deliver(const mad_pcm& Pcm) {
    if (FChannels == 0) FChannels = Pcm.channels;
    int64_t First = std::min<int64_t>(FSkip, Pcm.length);
    FSkip -= First;
    int64_t Count = Pcm.length - First;
    if (FRemaining >= 0) {
        Count = std::min(Count, FRemaining);
        FRemaining -= Count;
    }
    if (Count <= 0) return;
    FPcm.resize(size_t(Count) * FChannels);
    int16_t* Out = FPcm.data();
    for (int64_t I = First; I < First + Count; ++I)
        // A frame with another channel count than the first is fitted to the first.
        for (int32_t Channel = 0; Channel < FChannels; ++Channel)
            *Out++ = ToSample(Pcm.samples[std::min<int32_t>(Channel, Pcm.channels - 1)][I]);
    FWriter(FPcm.data(), int32_t(Count), FChannels, int32_t(Pcm.samplerate));
    FDelivered += Count;
}

mad_flow TMadDecoder::Error(void* /*Data*/, mad_stream* Stream, mad_frame* /*Frame*/) {
    return MAD_RECOVERABLE(Stream->error) ? MAD_FLOW_CONTINUE : MAD_FLOW_BREAK;
}

} // namespace deraz
