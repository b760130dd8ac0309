#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>

#include "codecs/opus/ACS_Opus.h"
#include "codecs/vorbis/LinkConverter.h"
#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

namespace {

constexpr int32_t DeliveredBits = 24;
constexpr int32_t DeliveredBytes = DeliveredBits / 8;
// Decoded bytes gathered by one Refill.
constexpr size_t RefillBytes = 16384;

// Why the decoder refused to open a file, for the user.
std::string OpenFailure(int Code) {
    switch (Code) {
    case OP_EREAD:
        return "The file could not be read.";
    case OP_EVERSION:
        return "The Opus version of the stream is not supported.";
    case OP_EBADHEADER:
        return "The Opus headers are damaged.";
    case OP_ENOTFORMAT:
        return "The file holds no Ogg Opus stream.";
    case OP_EIMPL:
        return "Opus streams of more than 8 channels or with a channel mapping of their own are not "
               "supported.";
    default:
        return "The Opus stream is damaged.";
    }
}

// Fields of an Ogg page header.
constexpr size_t PageFixedBytes = 27;
constexpr uint8_t EndOfStream = 0x04;
// The longest page there is: its header with 255 segments of 255 bytes.
constexpr int64_t LongestPage = PageFixedBytes + 255 + 255 * 255;

} // namespace

bool EndsWithCompleteStream(TFileStream& Stream) {
    const int64_t FileSize = Stream.Size();
    const int64_t First = std::max<int64_t>(0, FileSize - LongestPage - 1024);
    std::vector<uint8_t> Tail(size_t(FileSize - First));
    Stream.Seek(First);
    Tail.resize(size_t(Stream.Read(Tail.data(), int64_t(Tail.size()))));
    // The page nearest the end whose header and body are all in the file decides.
    for (size_t At = Tail.size() >= PageFixedBytes ? Tail.size() - PageFixedBytes + 1 : 0; At-- > 0;) {
        const uint8_t* Page = Tail.data() + At;
        if (std::memcmp(Page, "OggS", 4) != 0 || Page[4] != 0) continue;
        const size_t Segments = Page[26];
        if (At + PageFixedBytes + Segments > Tail.size()) continue;
        size_t End = At + PageFixedBytes + Segments;
        for (size_t I = 0; I < Segments; ++I) End += Page[PageFixedBytes + I];
        if (End > Tail.size()) continue;
        return (Page[5] & EndOfStream) != 0;
    }
    return false;
}

std::string FormatTimeReached(int64_t Frames, int32_t Rate) {
    const int64_t Milliseconds = Rate > 0 ? Frames * 1000 / Rate : 0;
    char Text[32];
    std::snprintf(Text, sizeof Text, "%lld:%02lld.%03lld", static_cast<long long>(Milliseconds / 60000),
                  static_cast<long long>(Milliseconds / 1000 % 60),
                  static_cast<long long>(Milliseconds % 1000));
    return Text;
}

TOpusIn::TOpusIn(TComponent* AOwner) : TACSFileIn(AOwner) {
    FBitsPerSample = DeliveredBits;
    FDecoded.resize(ReadSamples);
}

TOpusIn::~TOpusIn() {
    CloseSource();
}

int TOpusIn::ReadCallback(void* Source, unsigned char* Buffer, int Bytes) {
    try {
        return int(static_cast<TOpusIn*>(Source)->FStream->Read(Buffer, Bytes));
    } catch (const std::exception&) {
        return -1;
    }
}

int TOpusIn::SeekCallback(void* Source, opus_int64 Offset, int Whence) {
    try {
        static_cast<TOpusIn*>(Source)->FStream->Seek(Offset, Whence);
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

opus_int64 TOpusIn::TellCallback(void* Source) {
    try {
        return static_cast<TOpusIn*>(Source)->FStream->Position();
    } catch (const std::exception&) {
        return -1;
    }
}

void TOpusIn::OpenSource() {
    RequireLibrary(OpusFileLibrary());
    FValid = true;
    FEndOfStream = false;
    FNote.clear();
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    const bool Complete = EndsWithCompleteStream(*FStream);
    FStream->Seek(0);
    const OpusFileCallbacks Callbacks{ReadCallback, SeekCallback, TellCallback, nullptr};
    int Code = 0;
    FDecoder = OpusFileLibrary()->op_open_callbacks(this, &Callbacks, nullptr, 0, &Code);
    if (!FDecoder) {
        if (Code == OP_EREAD) throw EACSException(OpenFailure(Code));
        Invalidate(OpenFailure(Code));
        return;
    }
    std::string Reason = ReadStreamInfo();
    // A stream whose last page does not end it was cut short: its length counts only what is left.
    if (Reason.empty() && !Complete)
        Reason = "The Opus stream ends early, at " + FormatTimeReached(FTotalSamples, DecodedRate) + ".";
    if (!Reason.empty()) {
        CloseSource();
        Invalidate(std::move(Reason));
    }
}

std::string TOpusIn::ReadStreamInfo() {
    const auto& OpusFile = OpusFileLibrary();
    const OpusHead* Head = OpusFile->op_head(FDecoder, 0);
    FChannels = Head->channel_count;
    FInputSampleRate = int32_t(std::min<opus_uint32>(Head->input_sample_rate, INT32_MAX));
    FSampleRate = DecodedRate;
    FBitsPerSample = DeliveredBits;
    const int Links = OpusFile->op_link_count(FDecoder);
    for (int Link = 1; Link < Links && FNote.empty(); ++Link)
        if (OpusFile->op_head(FDecoder, Link)->channel_count != FChannels)
            FNote = "Chained streams with another channel count were mixed to " + std::to_string(FChannels) +
                    (FChannels == 1 ? " channel." : " channels.");
    const int64_t Frames = OpusFile->op_pcm_total(FDecoder, -1);
    if (Frames < 0 || Frames > MaxFrames) return "The Opus stream's length is damaged.";
    FTotalSamples = Frames;
    FSize = Frames * DeliveredBytes * FChannels;
    return {};
}

void TOpusIn::Invalidate(std::string Reason) {
    FValid = false;
    FDecodeError = std::move(Reason);
    FNote.clear();
    FChannels = 0;
    FSampleRate = 0;
    FInputSampleRate = 0;
    FTotalSamples = 0;
    FSize = 0;
}

void TOpusIn::CloseSource() {
    if (FDecoder) OpusFileLibrary()->op_free(FDecoder);
    FDecoder = nullptr;
    FStream.reset();
}

bool TOpusIn::Seek(int64_t SampleNum) {
    OpenFile();
    const bool Done = FDecoder && SampleNum >= 0 &&
                      OpusFileLibrary()->op_pcm_seek(FDecoder, std::min(SampleNum, FTotalSamples)) == 0;
    if (Done) FEndOfStream = false;
    CloseFile();
    return Done;
}

void TOpusIn::Deliver(const float* Pcm, int32_t Frames, int32_t Link) {
    const int32_t Channels = OpusFileLibrary()->op_head(FDecoder, Link)->channel_count;
    const size_t Count = size_t(Frames) * size_t(Channels);
    // The decoder gives Vorbis order; the pipeline carries WAV order.
    FWaveOrder.resize(Count);
    std::span<const int32_t> WaveIndex = VorbisOrderFromWave(Channels);
    for (int32_t Frame = 0; Frame < Frames; ++Frame)
        for (int32_t Channel = 0; Channel < Channels; ++Channel)
            FWaveOrder[size_t(Frame * Channels + WaveIndex[size_t(Channel)])] =
                Pcm[Frame * Channels + Channel];
    const float* Samples = FWaveOrder.data();
    if (Channels != FChannels) {
        FMixed.resize(size_t(Frames) * size_t(FChannels));
        MixChannels(FWaveOrder.data(), Channels, size_t(Frames), FChannels, FMixed.data());
        Samples = FMixed.data();
    }
    const size_t Delivered = size_t(Frames) * size_t(FChannels);
    FValues.resize(Delivered);
    std::transform(Samples, Samples + Delivered, FValues.begin(), [](float S) { return FloatToInt24(S); });
    const size_t Start = FBuffer.size();
    FBuffer.resize(Start + Delivered * DeliveredBytes);
    PackPcm(FValues.data(), DeliveredBits, Delivered, FBuffer.data() + Start);
}

std::string TOpusIn::TimeReached() const {
    const int64_t FrameBytes = int64_t(std::max(FChannels, 1)) * DeliveredBytes;
    return FormatTimeReached((FPosition + int64_t(FBuffer.size())) / FrameBytes, DecodedRate);
}

std::span<const uint8_t> TOpusIn::Refill() {
    FBuffer.clear();
    if (!FDecoder) FEndOfStream = true;
    while (!FEndOfStream && FBuffer.size() < RefillBytes) {
        int Link = 0;
        const int Frames = OpusFileLibrary()->op_read_float(FDecoder, FDecoded.data(), ReadSamples, &Link);
        // A hole in the pages or a packet the decoder refuses is damage: failing says where.
        if (Frames < 0 || (Frames > 0 && (Link < 0 || Link >= OpusFileLibrary()->op_link_count(FDecoder))))
            throw EACSException("The Opus stream is damaged at " + TimeReached() + ".");
        if (Frames == 0) {
            FEndOfStream = true;
            if (FPosition + int64_t(FBuffer.size()) < FSize)
                throw EACSException("The Opus stream ends early, at " + TimeReached() + ".");
            break;
        }
        Deliver(FDecoded.data(), Frames, Link);
    }
    if (FPosition + int64_t(FBuffer.size()) >= FSize) {
        FBuffer.resize(size_t(std::max<int64_t>(0, FSize - FPosition)));
        FEndOfStream = true;
    }
    return FBuffer;
}

} // namespace deraz
