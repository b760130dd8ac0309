#include <cstring>
#include <exception>

#include "codecs/opus/ACS_Opus.h"

#include "codecs/OggSerial.h"
#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

namespace {

constexpr int32_t PcmBufferSize = 65536;

} // namespace

TOpusOut::TOpusOut(TComponent* AOwner) : TACSFileOut(AOwner) {
    FBuffer.resize(PcmBufferSize);
}

TOpusOut::~TOpusOut() {
    TerminateWorker();
    DestroyEncoder();
}

int TOpusOut::WriteCallback(void* Sink, const unsigned char* Bytes, opus_int32 Length) {
    auto* Self = static_cast<TOpusOut*>(Sink);
    try {
        Self->FStream->Write(Bytes, Length);
        return 0;
    } catch (const std::exception& E) {
        // The error travels back to the caller of the encoder, which raises it.
        Self->FWriteError = E.what();
        return 1;
    }
}

int TOpusOut::CloseCallback(void*) {
    // The stream is the sink's and is closed with the output.
    return 0;
}

void TOpusOut::Prepare() {
    RequireLibrary(OpusEncLibrary());
    OpenOutputStream();
    StartInput();
    TACSInput* Source = Input();
    FInputChannels = Source->Channels();
    FBitsPerSample = Source->BitsPerSample();
    if (FInputChannels < 1)
        throw EACSException("Opus output needs at least one channel; the input has " +
                            std::to_string(FInputChannels) + ".");
    if (FBitsPerSample != 8 && FBitsPerSample != 16 && FBitsPerSample != 24 && FBitsPerSample != 32)
        throw EACSException("Opus output takes 8, 16, 24 or 32-bit input; the input has " +
                            std::to_string(FBitsPerSample) + " bits per sample.");
    // The Vorbis channel mapping places up to 8 channels; wider input is mixed down to stereo.
    FChannelCount = FInputChannels > MaxLaidOutChannels ? 2 : FInputChannels;
    if (FChannelCount != FInputChannels)
        FNote = "The " + std::to_string(FInputChannels) + " channels were mixed down to stereo.";
    FFrameBytes = PcmBytes(FBitsPerSample) * FInputChannels;
    FCarry = 0;
    FDrained = false;
    FWriteError.clear();
    CreateEncoder(Source->SampleRate());
}

void TOpusOut::CreateEncoder(int32_t SampleRate) {
    const auto& Encoder = OpusEncLibrary();
    FComments = Encoder->ope_comments_create();
    if (!FComments) throw EACSException("The Opus encoder could not be created: out of memory.");
    const OpusEncCallbacks Callbacks{WriteCallback, CloseCallback};
    const int Family = FChannelCount > 2 ? 1 : 0;
    int Code = OPE_OK;
    FEncoder = Encoder->ope_encoder_create_callbacks(&Callbacks, this, FComments, SampleRate, FChannelCount,
                                                     Family, &Code);
    if (!FEncoder)
        throw EACSException("The Opus encoder refuses " + std::to_string(FChannelCount) +
                            (FChannelCount == 1 ? " channel at " : " channels at ") +
                            std::to_string(SampleRate) + " Hz: " + Encoder->ope_strerror(Code) + ".");
    // A serial of our own rather than the library's random one: the same conversion writes the same
    // bytes.
    const int64_t Shape[] = {SampleRate, FInputChannels, FBitsPerSample, Input()->Size()};
    Check(Encoder->ope_encoder_ctl(
              FEncoder, OPE_SET_SERIALNO(DerivedSerial(FileName(), reinterpret_cast<const uint8_t*>(Shape),
                                                       sizeof Shape))),
          "setting the stream's serial");
    Check(Encoder->ope_encoder_ctl(FEncoder, OPUS_SET_BITRATE(FBitrate * 1000)), "setting the bit rate");
    // Unconstrained VBR, as the reference encoder uses by default.
    Check(Encoder->ope_encoder_ctl(FEncoder, OPUS_SET_VBR(1)), "setting VBR");
    Check(Encoder->ope_encoder_ctl(FEncoder, OPUS_SET_VBR_CONSTRAINT(0)), "setting VBR");
}

void TOpusOut::Check(int Code, const char* Doing) {
    if (Code == OPE_OK) return;
    if (!FWriteError.empty()) throw EACSException(FWriteError);
    throw EACSException(std::string("The Opus encoder failed ") + Doing + ": " +
                        OpusEncLibrary()->ope_strerror(Code) + ".");
}

bool TOpusOut::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    if (FDrained) return false;
    const int32_t Count = ReadInput(FBuffer.data() + FCarry, PcmBufferSize - FCarry);
    if (Count <= 0) {
        FinishOutput();
        return false;
    }
    Encode(FCarry + Count);
    return true;
}

void TOpusOut::Encode(int32_t Bytes) {
    const int32_t Frames = Bytes / FFrameBytes;
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
        // The encoder takes Vorbis order; the input comes in WAV order.
        FOrdered.resize(size_t(Frames) * size_t(FChannelCount));
        std::span<const int32_t> WaveIndex = VorbisOrderFromWave(FChannelCount);
        for (int32_t Frame = 0; Frame < Frames; ++Frame)
            for (int32_t Channel = 0; Channel < FChannelCount; ++Channel)
                FOrdered[size_t(Frame * FChannelCount + Channel)] =
                    Interleaved[Frame * FChannelCount + WaveIndex[size_t(Channel)]];
        Check(OpusEncLibrary()->ope_encoder_write_float(FEncoder, FOrdered.data(), Frames), "encoding");
    }
    if (FCarry > 0) std::memmove(FBuffer.data(), FBuffer.data() + Frames * FFrameBytes, size_t(FCarry));
}

void TOpusOut::FinishOutput() {
    if (FEncoder && !FDrained) {
        FDrained = true;
        Check(OpusEncLibrary()->ope_encoder_drain(FEncoder), "ending the stream");
    }
    if (FStream) FStream->Flush();
}

void TOpusOut::CloseOutput() {
    DestroyEncoder();
    FStream.reset();
}

void TOpusOut::DestroyEncoder() {
    const auto& Encoder = OpusEncLibrary();
    if (FEncoder) Encoder->ope_encoder_destroy(FEncoder);
    if (FComments) Encoder->ope_comments_destroy(FComments);
    FEncoder = nullptr;
    FComments = nullptr;
}

} // namespace deraz
