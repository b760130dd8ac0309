#include "codecs/vorbis/ACS_Vorbis.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <set>

#include "platform/ByteOrder.h"

namespace deraz {

namespace {

constexpr int32_t PcmBufferSize = 65536;

constexpr int32_t BitRateValues[] = {-1,     45000,  48000,  56000,  64000,  80000,  96000,  112000,
                                     128000, 144000, 160000, 192000, 224000, 256000, 320000, 499000};

// One sample of Bytes bytes, little-endian (8-bit unsigned, wider signed), scaled to [-1, 1).
template <int Bytes> float SampleValue(const uint8_t* Data) {
    if constexpr (Bytes == 1) {
        return (int32_t(Data[0]) - 128) / 128.0f;
    } else {
        uint32_t Word = 0;
        for (int I = 0; I < Bytes; ++I) Word |= uint32_t(Data[I]) << (8 * (4 - Bytes + I));
        return float(int32_t(Word)) / 2147483648.0f;
    }
}

template <int Bytes> void Deinterleave(const uint8_t* Data, int32_t Frames, int32_t Channels, float** Out) {
    for (int32_t Channel = 0; Channel < Channels; ++Channel) {
        const uint8_t* Sample = Data + Channel * Bytes;
        float* Target = Out[Channel];
        for (int32_t Frame = 0; Frame < Frames; ++Frame, Sample += Channels * Bytes)
            Target[Frame] = SampleValue<Bytes>(Sample);
    }
}

// Serial numbers on the Ogg pages a file holds, read page by page up to the first thing that is
// not an Ogg page.
std::set<uint32_t> SerialsInFile(TFileStream& Stream) {
    std::set<uint32_t> Serials;
    uint8_t Header[27];
    uint8_t Lacing[255];
    Stream.Seek(0);
    while (Stream.ReadExact(Header, sizeof Header) && std::memcmp(Header, "OggS", 4) == 0) {
        Serials.insert(LittleEndian32(Header + 14));
        int Segments = Header[26];
        if (!Stream.ReadExact(Lacing, Segments)) break;
        int64_t Body = 0;
        for (int I = 0; I < Segments; ++I) Body += Lacing[I];
        Stream.Seek(Body, SEEK_CUR);
    }
    return Serials;
}

// Wanted, or the next number after it that no stream in the file uses: streams in one file
// need serial numbers of their own, or players drop the later one as damage.
int32_t FreeSerial(TFileStream& Stream, int32_t Wanted) {
    std::set<uint32_t> Taken = SerialsInFile(Stream);
    uint32_t Serial = uint32_t(Wanted);
    while (Taken.count(Serial) != 0) ++Serial;
    return int32_t(Serial);
}

// A number for messages: "0.5", not "0.500000".
std::string FormatNumber(double Value) {
    char Text[32];
    std::snprintf(Text, sizeof Text, "%g", Value);
    return Text;
}

} // namespace

int32_t VorbisBitRateValue(TVorbisBitRate Rate) {
    size_t Index = size_t(Rate);
    return Index < std::size(BitRateValues) ? BitRateValues[Index] : -1;
}

// ---- TVorbisOut ----

TVorbisOut::TVorbisOut(TComponent* AOwner) : TACSFileOut(AOwner) {
    RequireVorbisLibraries();
    FBuffer.resize(PcmBufferSize);
}

TVorbisOut::~TVorbisOut() {
    TerminateWorker();
    ClearEncoder();
}

void TVorbisOut::SetDesiredNominalBitrate(TVorbisBitRate Value) {
    FDesiredNominalBitrate = Value;
    if (Value < FMinimumBitrate) FMinimumBitrate = Value;
    if (Value > FDesiredMaximumBitrate) FDesiredMaximumBitrate = Value;
    if (Value == TVorbisBitRate::brAutoSelect) FDesiredMaximumBitrate = TVorbisBitRate::brAutoSelect;
}

void TVorbisOut::SetDesiredMaximumBitrate(TVorbisBitRate Value) {
    if (FDesiredNominalBitrate == TVorbisBitRate::brAutoSelect) return;
    if (Value == TVorbisBitRate::brAutoSelect || Value >= FDesiredNominalBitrate)
        FDesiredMaximumBitrate = Value;
}

void TVorbisOut::SetMinimumBitrate(TVorbisBitRate Value) {
    if (Value <= FDesiredNominalBitrate) FMinimumBitrate = Value;
}

void TVorbisOut::Prepare() {
    OpenOutputStream(FFileMode == foAppend);
    StartInput();
    TACSInput* Source = Input();
    int32_t Channels = Source->Channels();
    CheckInputFormat(Channels, Source->BitsPerSample());
    FStreamSerial = FSerial;
    if (FFileMode == foAppend) {
        // A new logical stream follows whatever the file holds.
        FStreamSerial = FreeSerial(*FStream, FSerial);
        FStream->Seek(0, SEEK_END);
    }
    FEndOfStream = false;
    FCarry = 0;
    InitEncoder(Channels, Source->SampleRate());
    WriteHeaders();
}

void TVorbisOut::CheckInputFormat(int32_t Channels, int32_t BitsPerSample) const {
    if (Channels < 1 || Channels > 2)
        throw EACSException("Ogg Vorbis output takes mono or stereo input; the input has " +
                            std::to_string(Channels) + " channels.");
    if (BitsPerSample != 8 && BitsPerSample != 16 && BitsPerSample != 24 && BitsPerSample != 32)
        throw EACSException("Ogg Vorbis output takes 8, 16, 24 or 32-bit input; the input has " +
                            std::to_string(BitsPerSample) + " bits per sample.");
}

void TVorbisOut::InitEncoder(int32_t Channels, int32_t SampleRate) {
    const auto& Vorbis = VorbisLibrary();
    const auto& Encoder = VorbisEncLibrary();
    FChannelCount = Channels;
    FSampleBytes = Input()->BitsPerSample() / 8;
    FFrameBytes = FSampleBytes * Channels;

    Vorbis->vorbis_info_init(&FInfo);
    FStage = esInfo;
    std::string Setting = std::to_string(Channels) + (Channels == 1 ? " channel at " : " channels at ") +
                          std::to_string(SampleRate) + " Hz";
    if (FDesiredNominalBitrate == TVorbisBitRate::brAutoSelect) {
        if (Encoder->vorbis_encode_init_vbr(&FInfo, Channels, SampleRate, FCompression) != 0)
            throw EACSException("The Ogg Vorbis encoder refuses quality " + FormatNumber(FCompression) +
                                " for " + Setting + ".");
    } else {
        int32_t Nominal = VorbisBitRateValue(FDesiredNominalBitrate);
        int32_t Maximum = std::max(VorbisBitRateValue(FDesiredMaximumBitrate), Nominal);
        int32_t Minimum = VorbisBitRateValue(FMinimumBitrate);
        if (Minimum < 0) Minimum = Nominal;
        if (Encoder->vorbis_encode_init(&FInfo, Channels, SampleRate, Maximum, Nominal, Minimum) != 0)
            throw EACSException("The Ogg Vorbis encoder refuses " + std::to_string(Nominal) +
                                " bit/s (minimum " + std::to_string(Minimum) + ", maximum " +
                                std::to_string(Maximum) + ") for " + Setting + ".");
    }

    Vorbis->vorbis_comment_init(&FComment);
    FStage = esComment;
    AddComments();
    Vorbis->vorbis_analysis_init(&FDsp, &FInfo);
    FStage = esAnalysis;
    Vorbis->vorbis_block_init(&FDsp, &FBlock);
    FStage = esBlock;
    OggLibrary()->ogg_stream_init(&FOggStream, FStreamSerial);
    FStage = esStream;
}

void TVorbisOut::AddComments() {
    for (const std::string& Line : FComments) {
        size_t Separator = Line.find('=');
        if (Separator == std::string::npos || Separator == 0) continue;
        std::string Name = Line.substr(0, Separator);
        VorbisLibrary()->vorbis_comment_add_tag(&FComment, Name.c_str(), Line.c_str() + Separator + 1);
    }
}

void TVorbisOut::WriteHeaders() {
    ogg_packet Identification, Comment, Codebooks;
    VorbisLibrary()->vorbis_analysis_headerout(&FDsp, &FComment, &Identification, &Comment, &Codebooks);
    const auto& Ogg = OggLibrary();
    Ogg->ogg_stream_packetin(&FOggStream, &Identification);
    Ogg->ogg_stream_packetin(&FOggStream, &Comment);
    Ogg->ogg_stream_packetin(&FOggStream, &Codebooks);
    // The headers stand on pages of their own, before any audio.
    while (Ogg->ogg_stream_flush(&FOggStream, &FPage) != 0) WritePage(FPage);
}

bool TVorbisOut::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    if (FEndOfStream) return false;
    int32_t Count = ReadInput(FBuffer.data() + FCarry, PcmBufferSize - FCarry);
    if (Count > 0)
        EncodeBuffer(FCarry + Count);
    else
        FinishStream();
    return true;
}

void TVorbisOut::EncodeBuffer(int32_t Bytes) {
    int32_t Frames = Bytes / FFrameBytes;
    FCarry = Bytes - Frames * FFrameBytes;
    if (Frames > 0) {
        const auto& Vorbis = VorbisLibrary();
        float** Channels = Vorbis->vorbis_analysis_buffer(&FDsp, Frames);
        switch (FSampleBytes) {
        case 1:
            Deinterleave<1>(FBuffer.data(), Frames, FChannelCount, Channels);
            break;
        case 2:
            Deinterleave<2>(FBuffer.data(), Frames, FChannelCount, Channels);
            break;
        case 3:
            Deinterleave<3>(FBuffer.data(), Frames, FChannelCount, Channels);
            break;
        default:
            Deinterleave<4>(FBuffer.data(), Frames, FChannelCount, Channels);
            break;
        }
        Vorbis->vorbis_analysis_wrote(&FDsp, Frames);
    }
    if (FCarry > 0) std::memmove(FBuffer.data(), FBuffer.data() + Frames * FFrameBytes, size_t(FCarry));
    DrainBlocks();
}

void TVorbisOut::DrainBlocks() {
    const auto& Vorbis = VorbisLibrary();
    const auto& Ogg = OggLibrary();
    while (Vorbis->vorbis_analysis_blockout(&FDsp, &FBlock) == 1) {
        Vorbis->vorbis_analysis(&FBlock, nullptr);
        Vorbis->vorbis_bitrate_addblock(&FBlock);
        while (Vorbis->vorbis_bitrate_flushpacket(&FDsp, &FPacket) == 1) {
            Ogg->ogg_stream_packetin(&FOggStream, &FPacket);
            while (!FEndOfStream && Ogg->ogg_stream_pageout(&FOggStream, &FPage) != 0) {
                WritePage(FPage);
                if (Ogg->ogg_page_eos(&FPage)) FEndOfStream = true;
            }
        }
    }
}

void TVorbisOut::FinishStream() {
    VorbisLibrary()->vorbis_analysis_wrote(&FDsp, 0);
    DrainBlocks();
    while (!FEndOfStream && OggLibrary()->ogg_stream_flush(&FOggStream, &FPage) != 0) WritePage(FPage);
    FEndOfStream = true;
}

void TVorbisOut::WritePage(const ogg_page& Page) {
    FStream->Write(Page.header, Page.header_len);
    FStream->Write(Page.body, Page.body_len);
}

void TVorbisOut::FinishOutput() {
    // The comments belong to the conversion that wrote them.
    FComments.clear();
    if (FStage == esStream && !FEndOfStream) FinishStream();
    if (FStream) FStream->Flush();
}

void TVorbisOut::CloseOutput() {
    FStream.reset();
    ClearEncoder();
}

void TVorbisOut::ClearEncoder() {
    if (FStage >= esStream) OggLibrary()->ogg_stream_clear(&FOggStream);
    const auto& Vorbis = VorbisLibrary();
    if (FStage >= esBlock) Vorbis->vorbis_block_clear(&FBlock);
    if (FStage >= esAnalysis) Vorbis->vorbis_dsp_clear(&FDsp);
    if (FStage >= esComment) Vorbis->vorbis_comment_clear(&FComment);
    if (FStage >= esInfo) Vorbis->vorbis_info_clear(&FInfo);
    FStage = esNone;
}

// ---- TVorbisIn ----

TVorbisIn::TVorbisIn(TComponent* AOwner) : TACSFileIn(AOwner) {
    RequireVorbisLibraries();
    FBitsPerSample = 16;
}

TVorbisIn::~TVorbisIn() {
    if (FDecoderOpen) VorbisFileLibrary()->ov_clear(&FVorbisFile);
}

size_t TVorbisIn::ReadCallback(void* Buffer, size_t Size, size_t Count, void* Source) {
    auto* Self = static_cast<TVorbisIn*>(Source);
    try {
        return size_t(Self->FStream->Read(Buffer, int64_t(Size * Count)));
    } catch (const std::exception&) {
        // The decoder takes a short read with errno set as a read error.
        errno = EIO;
        return 0;
    }
}

int TVorbisIn::SeekCallback(void* Source, ogg_int64_t Offset, int Whence) {
    auto* Self = static_cast<TVorbisIn*>(Source);
    try {
        Self->FStream->Seek(Offset, Whence == 1 ? SEEK_CUR : Whence == 2 ? SEEK_END : SEEK_SET);
        // Only -1 means failure to the decoder; a position past 2 GiB must not look like it.
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

int TVorbisIn::CloseCallback(void* Source) {
    static_cast<TVorbisIn*>(Source)->FStream.reset();
    return 0;
}

long TVorbisIn::TellCallback(void* Source) {
    return long(static_cast<TVorbisIn*>(Source)->FStream->Position());
}

void TVorbisIn::OpenFile() {
    if (FOpenCount == 0) {
        FValid = true;
        FEndOfStream = false;
        try {
            FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
        } catch (const std::exception&) {
            Invalidate();
            return;
        }
        ov_callbacks Callbacks{ReadCallback, SeekCallback, CloseCallback, TellCallback};
        if (VorbisFileLibrary()->ov_open_callbacks(this, &FVorbisFile, nullptr, 0, Callbacks) != 0) {
            // Not Ogg Vorbis: the decoder leaves the stream to us and must not be used.
            FStream.reset();
            Invalidate();
            return;
        }
        FDecoderOpen = true;
        ReadStreamInfo();
    }
    ++FOpenCount;
}

void TVorbisIn::ReadStreamInfo() {
    const auto& VorbisFile = VorbisFileLibrary();
    FComments.clear();
    if (const vorbis_comment* Comment = VorbisFile->ov_comment(&FVorbisFile, -1))
        for (int I = 0; I < Comment->comments; ++I)
            FComments.emplace_back(Comment->user_comments[I], size_t(Comment->comment_lengths[I]));
    const vorbis_info* Info = VorbisFile->ov_info(&FVorbisFile, -1);
    FChannels = Info->channels;
    FSampleRate = int32_t(Info->rate);
    FBitsPerSample = 16;
    FMaxBitrate = int32_t(Info->bitrate_upper);
    FNominalBitrate = int32_t(Info->bitrate_nominal);
    FMinBitrate = int32_t(Info->bitrate_lower);
    int64_t Total = std::max<int64_t>(0, VorbisFile->ov_pcm_total(&FVorbisFile, -1));
    FTotalSamples = int32_t(std::min<int64_t>(Total, std::numeric_limits<int32_t>::max()));
    // A length whose byte count does not fit the pipeline's counters is reported as unknown.
    int64_t Bytes = Total * 2 * FChannels;
    FSize = Bytes <= std::numeric_limits<int32_t>::max() ? int32_t(Bytes) : -1;
    FCurrentSection = -1;
    FCheckedSection = 0;
}

void TVorbisIn::Invalidate() {
    FValid = false;
    FComments.clear();
    FChannels = 0;
    FSampleRate = 0;
    FTotalSamples = 0;
    FSize = 0;
    FMaxBitrate = FNominalBitrate = FMinBitrate = 0;
}

void TVorbisIn::CloseFile() {
    if (FOpenCount == 1 && FDecoderOpen) {
        VorbisFileLibrary()->ov_clear(&FVorbisFile);
        FDecoderOpen = false;
    }
    if (FOpenCount > 0) --FOpenCount;
}

bool TVorbisIn::Seek(int64_t SampleNum) {
    OpenFile();
    bool Done = FDecoderOpen && VorbisFileLibrary()->ov_pcm_seek(&FVorbisFile, SampleNum) == 0;
    CloseFile();
    return Done;
}

bool TVorbisIn::SameFormatAsStart() {
    if (FCurrentSection == FCheckedSection) return true;
    const vorbis_info* Info = VorbisFileLibrary()->ov_info(&FVorbisFile, FCurrentSection);
    if (!Info || Info->channels != FChannels || Info->rate != FSampleRate) return false;
    FCheckedSection = FCurrentSection;
    return true;
}

std::span<const uint8_t> TVorbisIn::Refill() {
    int32_t Filled = 0;
    if (!FDecoderOpen) FEndOfStream = true;
    while (!FEndOfStream && Filled < DecodeBufferSize) {
        long Count =
            VorbisFileLibrary()->ov_read(&FVorbisFile, reinterpret_cast<char*>(FBuffer.data()) + Filled,
                                         DecodeBufferSize - Filled, 0, 2, 1, &FCurrentSection);
        // A hole (damaged or missing pages) is skipped; decoding goes on after it.
        if (Count == OV_HOLE) continue;
        // A later chained stream in another format cannot continue this PCM stream.
        if (Count <= 0 || !SameFormatAsStart()) {
            FEndOfStream = true;
            break;
        }
        Filled += int32_t(Count);
        int64_t Limit = FSize;
        if (Limit >= 0 && FPosition + Filled >= Limit) {
            Filled = int32_t(std::max<int64_t>(0, Limit - FPosition));
            FEndOfStream = true;
            break;
        }
    }
    return {FBuffer.data(), size_t(Filled)};
}

} // namespace deraz
