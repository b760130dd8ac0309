#include "codecs/vorbis/ACS_Vorbis.h"

#include "codecs/OggSerial.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <set>
#include <span>
#include <string_view>
#include <utility>

#include "codecs/FormatTable.h"
#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"
#include "platform/ByteOrder.h"

namespace deraz {

namespace {

constexpr int32_t PcmBufferSize = 65536;

constexpr int32_t BitRateValues[] = {-1,     45000,  48000,  56000,  64000,  80000,  96000,  112000,
                                     128000, 144000, 160000, 192000, 224000, 256000, 320000, 499000};

// A 32-bit FNV-1a hash of Bytes, continuing from Hash.
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
    FInputChannels = Source->Channels();
    FBitsPerSample = Source->BitsPerSample();
    CheckInputFormat(FInputChannels, FBitsPerSample);
    // Vorbis places up to 8 channels; wider input is mixed down to stereo.
    FChannelCount = FInputChannels > MaxLaidOutChannels ? 2 : FInputChannels;
    if (FChannelCount != FInputChannels)
        FNote = "The " + std::to_string(FInputChannels) + " channels were mixed down to stereo.";
    FFrameBytes = PcmBytes(FBitsPerSample) * FInputChannels;
    FEndOfStream = false;
    FCarry = 0;
    FPrimed = 0;
    FStreamSerial = FSerial;
    if (FSerial == 0) {
        // The first piece is read as DoOutput would read it: the encoder's choices depend on how
        // its input arrives, and a numbered stream must differ from this one in its serial only.
        FPrimed = ReadInput(FBuffer.data(), PcmBufferSize);
        FStreamSerial = DerivedSerial(FFileName, FBuffer.data(), size_t(FPrimed));
    }
    if (FFileMode == foAppend) {
        // A new logical stream follows whatever the file holds.
        FStreamSerial = FreeSerial(*FStream, FStreamSerial);
        FStream->Seek(0, SEEK_END);
    }
    InitEncoder(FChannelCount, Source->SampleRate());
    WriteHeaders();
}

void TVorbisOut::CheckInputFormat(int32_t Channels, int32_t BitsPerSample) const {
    if (Channels < 1)
        throw EACSException("Ogg Vorbis output needs at least one channel; the input has " +
                            std::to_string(Channels) + ".");
    if (BitsPerSample != 8 && BitsPerSample != 16 && BitsPerSample != 24 && BitsPerSample != 32)
        throw EACSException("Ogg Vorbis output takes 8, 16, 24 or 32-bit input; the input has " +
                            std::to_string(BitsPerSample) + " bits per sample.");
}

void TVorbisOut::InitEncoder(int32_t Channels, int32_t SampleRate) {
    const auto& Vorbis = VorbisLibrary();
    const auto& Encoder = VorbisEncLibrary();

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
    // What Prepare read for the serial number is encoded first.
    int32_t Count =
        FPrimed > 0 ? std::exchange(FPrimed, 0) : ReadInput(FBuffer.data() + FCarry, PcmBufferSize - FCarry);
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
        FSamples.resize(size_t(Frames) * size_t(FInputChannels));
        UnpackPcmToFloat(FBuffer.data(), FBitsPerSample, FSamples.size(), FSamples.data());
        const float* Interleaved = FSamples.data();
        if (FChannelCount != FInputChannels) {
            FMixed.resize(size_t(Frames) * 2);
            DownmixToStereo(FSamples.data(), FInputChannels, size_t(Frames), FMixed.data());
            Interleaved = FMixed.data();
        }
        const auto& Vorbis = VorbisLibrary();
        float** Channels = Vorbis->vorbis_analysis_buffer(&FDsp, Frames);
        // The encoder's channels stand in Vorbis order; the input's in WAV order.
        std::span<const int32_t> WaveIndex = VorbisOrderFromWave(FChannelCount);
        for (int32_t Channel = 0; Channel < FChannelCount; ++Channel) {
            const float* Sample = Interleaved + WaveIndex[size_t(Channel)];
            float* Target = Channels[Channel];
            for (int32_t Frame = 0; Frame < Frames; ++Frame, Sample += FChannelCount) Target[Frame] = *Sample;
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

} // namespace deraz
