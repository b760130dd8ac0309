#include "codecs/flac/ACS_FLAC.h"

#include <algorithm>

#include "codecs/PlayingTime.h"
#include "codecs/flac/FLACLibrary.h"

namespace deraz {

namespace {

// The room kept for tags written after encoding: as much as TagLib keeps when it writes FLAC
// comments, so that it writes them in place whatever the file's size.
constexpr uint32_t TagPadding = 4096;

// A damaged stream, named with the time where decoding stopped.
EACSException ReadError(int64_t FirstFrame, int64_t Bytes, int32_t FrameBytes, int32_t SampleRate) {
    const int64_t Frames = FirstFrame + (FrameBytes > 0 ? Bytes / FrameBytes : 0);
    return EACSException("Error reading FLAC file at " + PlayingTime(Frames, SampleRate) + ".");
}

// Little-endian signed samples of Width bytes, sign-extended.
template <int Width> void SignedSamples(const uint8_t* In, FLAC__int32* Out, size_t Count) {
    for (size_t I = 0; I < Count; ++I, In += Width) {
        uint32_t Value = 0;
        for (int Byte = 0; Byte < Width; ++Byte) Value |= uint32_t(In[Byte]) << (8 * Byte);
        Out[I] = FLAC__int32(Value << (32 - 8 * Width)) >> (32 - 8 * Width);
    }
}

// One decoded block: a sample array per channel, each sample to be shifted left by Shift.
struct TChannelSamples {
    const FLAC__int32* const* Channels;
    int32_t Count;
    int32_t Frames;
    int32_t Shift;
};

// Interleaves a block into little-endian samples of Width bytes; 8-bit samples unsigned.
template <int Width> void Interleave(const TChannelSamples& In, uint8_t* Out) {
    const uint32_t Offset = Width == 1 ? 128 : 0;
    for (int32_t I = 0; I < In.Frames; ++I) {
        for (int32_t C = 0; C < In.Count; ++C) {
            const uint32_t Value = (uint32_t(In.Channels[C][I]) << In.Shift) + Offset;
            for (int Byte = 0; Byte < Width; ++Byte) *Out++ = uint8_t(Value >> (8 * Byte));
        }
    }
}

} // namespace

// ---- TFLACOut ----

TFLACOut::TFLACOut(TComponent* AOwner) : TACSFileOut(AOwner) {
    RequireLibrary(FLACLibrary());
}

TFLACOut::~TFLACOut() {
    TerminateWorker();
    CloseOutput();
}

void TFLACOut::SetBestModelSearch(bool Value) {
    FBestModelSearch = Value;
    if (Value) {
        FEnableMidSideStereo = true;
        FEnableLooseMidSideStereo = false;
    }
}

void TFLACOut::SetEnableLooseMidSideStereo(bool Value) {
    FEnableLooseMidSideStereo = Value;
    if (Value) FEnableMidSideStereo = true;
}

void TFLACOut::Prepare() {
    OpenOutputStream();
    EndOfStream = false;
    FWriteError.clear();
    FEncoder =
        OwnHandle(FLACLibrary()->FLAC__stream_encoder_new(), FLACLibrary()->FLAC__stream_encoder_delete);
    if (!FEncoder) throw EACSException("Failed to initialize FLAC encoder.");
    StartInput();
    ConfigureEncoder();
}

void TFLACOut::ConfigureEncoder() {
    TACSInput* Source = Input();
    const int32_t Bits = Source->BitsPerSample();
    FChannels = Source->Channels();
    FBytesPerSample = Bits / 8;
    // 32-bit FLAC is not written: common decoders (ffmpeg 5) cannot read it back.
    if (Bits != 8 && Bits != 16 && Bits != 24)
        throw EACSException("FLAC output holds 8, 16 or 24 bits per sample; the input has " +
                            std::to_string(Bits) + ".");
    if (FChannels < 1 || FChannels > int32_t(FLAC__MAX_CHANNELS))
        throw EACSException("FLAC holds at most 8 channels; the input has " + std::to_string(FChannels) +
                            ".");

    const auto& Api = FLACLibrary().Functions();
    Api.FLAC__stream_encoder_set_verify(FEncoder.get(), FVerify);
    Api.FLAC__stream_encoder_set_channels(FEncoder.get(), uint32_t(FChannels));
    Api.FLAC__stream_encoder_set_bits_per_sample(FEncoder.get(), uint32_t(Bits));
    Api.FLAC__stream_encoder_set_sample_rate(FEncoder.get(), uint32_t(Source->SampleRate()));
    if (FCompressionLevel >= 0)
        Api.FLAC__stream_encoder_set_compression_level(FEncoder.get(), uint32_t(FCompressionLevel));
    else
        ApplySettings(Bits);
    const int64_t InputBytes = Source->Size();
    if (InputBytes > 0)
        Api.FLAC__stream_encoder_set_total_samples_estimate(
            FEncoder.get(), FLAC__uint64(InputBytes / (int64_t(FBytesPerSample) * FChannels)));
    FPadding.type = FLAC__METADATA_TYPE_PADDING;
    FPadding.length = TagPadding;
    // The encoder copies the list, not the blocks.
    FLAC__StreamMetadata* Blocks[] = {&FPadding};
    Api.FLAC__stream_encoder_set_metadata(FEncoder.get(), Blocks, 1);
    if (Api.FLAC__stream_encoder_init_stream(FEncoder.get(), WriteCallback, SeekCallback, TellCallback,
                                             nullptr, this) != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        throw EACSException("Failed to initialize FLAC encoder.");
    // One block per step; the encoder picks the size itself when BlockSize is 0.
    const size_t Frames = Api.FLAC__stream_encoder_get_blocksize(FEncoder.get());
    FBuffer.resize(size_t(FBytesPerSample) * Frames * FChannels);
    FSamples.resize(Frames * FChannels);
}

void TFLACOut::ApplySettings(int32_t Bits) {
    const auto& Api = FLACLibrary().Functions();
    if (FChannels == 2) {
        Api.FLAC__stream_encoder_set_do_mid_side_stereo(FEncoder.get(), FEnableMidSideStereo);
        Api.FLAC__stream_encoder_set_loose_mid_side_stereo(FEncoder.get(), FEnableLooseMidSideStereo);
    }
    Api.FLAC__stream_encoder_set_blocksize(FEncoder.get(), FBlockSize);
    Api.FLAC__stream_encoder_set_max_lpc_order(FEncoder.get(), FMaxLPCOrder);
    if (Bits + FQLPCoeffPrecision > 31) FQLPCoeffPrecision = uint16_t(31 - Bits);
    Api.FLAC__stream_encoder_set_qlp_coeff_precision(FEncoder.get(), FQLPCoeffPrecision);
    Api.FLAC__stream_encoder_set_do_qlp_coeff_prec_search(FEncoder.get(), FQLPCoeffPrecisionSearch);
    Api.FLAC__stream_encoder_set_min_residual_partition_order(FEncoder.get(), FMinResidualPartitionOrder);
    Api.FLAC__stream_encoder_set_max_residual_partition_order(FEncoder.get(), FMaxResidualPartitionOrder);
    Api.FLAC__stream_encoder_set_do_exhaustive_model_search(FEncoder.get(), FBestModelSearch);
}

bool TFLACOut::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    if (EndOfStream) return false;
    const int32_t Wanted = int32_t(FBuffer.size());
    int32_t Filled = 0;
    while (Filled < Wanted) {
        int32_t Got = ReadInput(FBuffer.data() + Filled, Wanted - Filled);
        if (Got <= 0) {
            EndOfStream = true;
            break;
        }
        Filled += Got;
    }
    if (Filled == 0) return false;
    uint32_t Frames = ConvertSamples(Filled);
    if (!FLACLibrary()->FLAC__stream_encoder_process_interleaved(FEncoder.get(), FSamples.data(), Frames))
        FailEncoding();
    return true;
}

uint32_t TFLACOut::ConvertSamples(int32_t Bytes) {
    const uint32_t Frames = uint32_t(Bytes / (FBytesPerSample * FChannels));
    const size_t Count = size_t(Frames) * FChannels;
    const uint8_t* In = FBuffer.data();
    FLAC__int32* Out = FSamples.data();
    switch (FBytesPerSample) {
    case 1:
        for (size_t I = 0; I < Count; ++I) Out[I] = FLAC__int32(In[I]) - 128;
        break;
    case 2:
        SignedSamples<2>(In, Out, Count);
        break;
    default:
        SignedSamples<3>(In, Out, Count);
        break;
    }
    return Frames;
}

void TFLACOut::FinishOutput() {
    bool Finished = !FEncoder || FLACLibrary()->FLAC__stream_encoder_finish(FEncoder.get());
    if (!Finished) FailEncoding();
    try {
        if (FStream) FStream->Flush();
    } catch (const std::exception& E) {
        NoteWriteError(E);
        FailEncoding();
    }
}

void TFLACOut::NoteWriteError(const std::exception& E) {
    // The stream's messages end with the system's reason after the file name.
    const std::string Text = E.what();
    const size_t Colon = Text.rfind(": ");
    FWriteError = Colon == std::string::npos ? Text : Text.substr(Colon + 2);
}

void TFLACOut::FailEncoding() {
    throw EACSException(FWriteError.empty() ? "Failed to encode data."
                                            : "Failed to encode data. " + FWriteError);
}

void TFLACOut::CloseOutput() {
    FEncoder.reset();
    FStream.reset();
    FBuffer = {};
    FSamples = {};
}

FLAC__StreamEncoderWriteStatus TFLACOut::WriteCallback(const FLAC__StreamEncoder*, const FLAC__byte Buffer[],
                                                       size_t Bytes, uint32_t, uint32_t, void* Client) {
    auto* Self = static_cast<TFLACOut*>(Client);
    try {
        Self->FStream->Write(Buffer, int64_t(Bytes));
        return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
    } catch (const std::exception& E) {
        Self->NoteWriteError(E);
        return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
}

FLAC__StreamEncoderSeekStatus TFLACOut::SeekCallback(const FLAC__StreamEncoder*, FLAC__uint64 Offset,
                                                     void* Client) {
    auto* Self = static_cast<TFLACOut*>(Client);
    try {
        Self->FStream->Seek(int64_t(Offset));
        return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    } catch (const std::exception& E) {
        // A seek writes out what the stream buffered first: a full disk shows here.
        Self->NoteWriteError(E);
        return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    }
}

FLAC__StreamEncoderTellStatus TFLACOut::TellCallback(const FLAC__StreamEncoder*, FLAC__uint64* Offset,
                                                     void* Client) {
    int64_t Position = static_cast<TFLACOut*>(Client)->FStream->Position();
    if (Position < 0) return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    *Offset = FLAC__uint64(Position);
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

// ---- TFLACIn ----

TFLACIn::TFLACIn(TComponent* AOwner) : TACSFileIn(AOwner) {
    RequireLibrary(FLACLibrary());
}

TFLACIn::~TFLACIn() {
    ReleaseDecoder();
}

void TFLACIn::OpenSource() {
    if (FFileName.empty()) throw EACSException("File name is not assigned");
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    FFileSize = FStream->Size();
    FValid = true;
    FKnownLength = false;
    FStreamBits = 0;
    FDecoder =
        OwnHandle(FLACLibrary()->FLAC__stream_decoder_new(), FLACLibrary()->FLAC__stream_decoder_delete);
    if (!FDecoder) throw EACSException("Failed to initialize FLAC decoder.");
    if (FLACLibrary()->FLAC__stream_decoder_init_stream(
            FDecoder.get(), ReadCallback, SeekCallback, TellCallback, LengthCallback, EofCallback,
            WriteCallback, MetadataCallback, ErrorCallback, this) != FLAC__STREAM_DECODER_INIT_STATUS_OK)
        throw EACSException("Failed to initialize FLAC decoder.");
    // Without a stream information block the format is unknown.
    FSampleRate = FChannels = FBitsPerSample = 0;
    FTotalSamples = 0;
    FSize = 0;
    FDecodeError.clear();
    const bool Read = FLACLibrary()->FLAC__stream_decoder_process_until_end_of_metadata(FDecoder.get());
    if (FStreamBits == 0)
        FDecodeError = "The file has no FLAC stream information.";
    else if (!Read || !FValid)
        FDecodeError = "The FLAC stream is damaged.";
    else if (FSampleRate <= 0)
        FDecodeError = "The FLAC stream declares no sample rate.";
    FValid = FDecodeError.empty();
    FStage = rsDecode;
}

void TFLACIn::ReadStreamInfo(const FLAC__StreamMetadata_StreamInfo& Info) {
    FSampleRate = int32_t(Info.sample_rate);
    FChannels = int32_t(Info.channels);
    // Depths that are not whole bytes (12, 20 bits) are delivered in the next whole byte,
    // shifted left: the pipeline carries 8, 16, 24 and 32 bits.
    FStreamBits = int32_t(Info.bits_per_sample);
    FBitsPerSample = (FStreamBits + 7) / 8 * 8;
    FShift = FBitsPerSample - FStreamBits;
    FTotalSamples = int64_t(Info.total_samples);
    // A stream that does not declare its length is read to the decoder's end.
    FKnownLength = Info.total_samples != 0;
    FSize = FKnownLength ? FTotalSamples * (FBitsPerSample / 8) * FChannels : -1;
    FMinFrameSize = int32_t(Info.min_framesize);
}

void TFLACIn::CloseSource() {
    ReleaseDecoder();
}

void TFLACIn::ReleaseDecoder() {
    if (FDecoder.get()) {
        FLACLibrary()->FLAC__stream_decoder_flush(FDecoder.get());
        FLACLibrary()->FLAC__stream_decoder_finish(FDecoder.get());
        FDecoder.reset();
    }
    FBlock = {};
    FStage = rsDecode;
    FStream.reset();
}

bool TFLACIn::Seek(int64_t SampleNum) {
    if (!FDecoder) return false;
    FStage = rsDecode;
    if (SampleNum >= 0 &&
        FLACLibrary()->FLAC__stream_decoder_seek_absolute(FDecoder.get(), FLAC__uint64(SampleNum)))
        return true;
    // A failed seek leaves no position to read from.
    if (FLACLibrary()->FLAC__stream_decoder_get_state(FDecoder.get()) == FLAC__STREAM_DECODER_SEEK_ERROR)
        FLACLibrary()->FLAC__stream_decoder_flush(FDecoder.get());
    FValid = false;
    return false;
}

std::span<const uint8_t> TFLACIn::Refill() {
    // A known length ends the read exactly, also at an EndSample inside a block.
    if (Limited() && FPosition >= FSize) FStage = rsEnded;
    if (FStage == rsEnded) return {};
    if (!FValid) throw ReadError(FStartSample, FPosition, FBitsPerSample / 8 * FChannels, FSampleRate);
    if (FStage == rsDecode) DecodeBlock();
    if (FStage != rsBlockReady) {
        FStage = rsEnded;
        return {};
    }
    FStage = rsDecode;
    int32_t Count = BlockBytes;
    if (Limited()) Count = int32_t(std::min<int64_t>(Count, std::max<int64_t>(0, FSize - FPosition)));
    return {FBlock.data(), size_t(Count)};
}

void TFLACIn::DecodeBlock() {
    bool Decoded = FLACLibrary()->FLAC__stream_decoder_process_single(FDecoder.get());
    const bool Damaged = !FValid || (!Decoded && FLACLibrary()->FLAC__stream_decoder_get_state(
                                                     FDecoder.get()) != FLAC__STREAM_DECODER_END_OF_STREAM);
    // The stream ended; short of its declared length the file is cut off.
    const bool Cut = FStage != rsBlockReady && FKnownLength && FPosition < FSize;
    if (Damaged || Cut) throw ReadError(FStartSample, FPosition, FBitsPerSample / 8 * FChannels, FSampleRate);
}

void TFLACIn::StoreBlock(const FLAC__Frame& Frame, const FLAC__int32* const Channels[]) {
    BlockSamples = int32_t(Frame.header.blocksize);
    const int32_t Width = FBitsPerSample / 8;
    BlockBytes = Width * BlockSamples * FChannels;
    if (FBlock.size() < size_t(BlockBytes)) FBlock.resize(size_t(BlockBytes));
    const TChannelSamples In{Channels, FChannels, BlockSamples, FShift};
    switch (Width) {
    case 1:
        Interleave<1>(In, FBlock.data());
        break;
    case 2:
        Interleave<2>(In, FBlock.data());
        break;
    case 3:
        Interleave<3>(In, FBlock.data());
        break;
    default:
        Interleave<4>(In, FBlock.data());
        break;
    }
    FStage = rsBlockReady;
}

FLAC__StreamDecoderReadStatus TFLACIn::ReadCallback(const FLAC__StreamDecoder*, FLAC__byte Buffer[],
                                                    size_t* Bytes, void* Client) {
    auto* Self = static_cast<TFLACIn*>(Client);
    try {
        if (Self->FStream->Position() >= Self->FFileSize) {
            *Bytes = 0;
            return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
        }
        *Bytes = size_t(Self->FStream->Read(Buffer, int64_t(*Bytes)));
        return *Bytes == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                           : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    } catch (const std::exception&) {
        *Bytes = 0;
        return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
}

FLAC__StreamDecoderSeekStatus TFLACIn::SeekCallback(const FLAC__StreamDecoder*, FLAC__uint64 Offset,
                                                    void* Client) {
    try {
        static_cast<TFLACIn*>(Client)->FStream->Seek(int64_t(Offset));
        return FLAC__STREAM_DECODER_SEEK_STATUS_OK;
    } catch (const std::exception&) {
        return FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
    }
}

FLAC__StreamDecoderTellStatus TFLACIn::TellCallback(const FLAC__StreamDecoder*, FLAC__uint64* Offset,
                                                    void* Client) {
    int64_t Position = static_cast<TFLACIn*>(Client)->FStream->Position();
    if (Position < 0) return FLAC__STREAM_DECODER_TELL_STATUS_ERROR;
    *Offset = FLAC__uint64(Position);
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderLengthStatus TFLACIn::LengthCallback(const FLAC__StreamDecoder*, FLAC__uint64* Length,
                                                        void* Client) {
    *Length = FLAC__uint64(static_cast<TFLACIn*>(Client)->FFileSize);
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

FLAC__bool TFLACIn::EofCallback(const FLAC__StreamDecoder*, void* Client) {
    auto* Self = static_cast<TFLACIn*>(Client);
    return Self->FStream->Position() >= Self->FFileSize;
}

FLAC__StreamDecoderWriteStatus TFLACIn::WriteCallback(const FLAC__StreamDecoder*, const FLAC__Frame* Frame,
                                                      const FLAC__int32* const Channels[], void* Client) {
    auto* Self = static_cast<TFLACIn*>(Client);
    // A frame that disagrees with the stream information cannot be laid out as announced.
    if (!Self->FValid || int32_t(Frame->header.channels) != Self->FChannels ||
        int32_t(Frame->header.bits_per_sample) != Self->FStreamBits) {
        Self->FValid = false;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    Self->StoreBlock(*Frame, Channels);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void TFLACIn::MetadataCallback(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* Block, void* Client) {
    if (Block->type == FLAC__METADATA_TYPE_STREAMINFO)
        static_cast<TFLACIn*>(Client)->ReadStreamInfo(Block->data.stream_info);
}

void TFLACIn::ErrorCallback(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* Client) {
    static_cast<TFLACIn*>(Client)->FValid = false;
}

} // namespace deraz
