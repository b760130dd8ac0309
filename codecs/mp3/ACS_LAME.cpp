#include "codecs/mp3/ACS_LAME.h"

#include <cstring>

#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

int32_t MP3BitRateKbps(TMP3BitRate Value) {
    static constexpr int32_t Kbps[] = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                                       96, 112, 128, 144, 160, 192, 224, 256, 320};
    return Value <= br320 ? Kbps[Value] : 128;
}

TMP3Out::TMP3Out(TComponent* AOwner) : TACSFileOut(AOwner) {}

TMP3Out::~TMP3Out() {
    TerminateWorker();
}

void TMP3Out::CheckInputFormat() {
    FInputChannels = Input()->Channels();
    FInputBits = Input()->BitsPerSample();
    if (FInputChannels < 1 || FInputChannels > MaxLaidOutChannels)
        throw EACSException("MP3 encoding takes 1 to " + std::to_string(MaxLaidOutChannels) +
                            " channels, not " + std::to_string(FInputChannels) + ".");
    if (FInputBits != 8 && FInputBits != 16 && FInputBits != 24 && FInputBits != 32)
        throw EACSException("MP3 encoding takes 8, 16, 24 or 32-bit input, not " +
                            std::to_string(FInputBits) + "-bit.");
}

void TMP3Out::Prepare() {
    // The input is checked before the output is created, so that a refused input leaves any
    // file of the output's name as it was.
    CheckOutputName();
    StartInput();
    CheckInputFormat();
    OpenOutputStream();
    FStreamStart = FStream->Position();
    {
        TACSInput* Source = Input();
        std::lock_guard Lock(TLameLibraryUse::SetupMutex());
        FHandle = OwnHandle(Lame->lame_init(), Lame->lame_close);
        if (!FHandle) throw EACSException("The MP3 encoder could not be created.");
        int32_t FrameBytes = FInputBits / 8 * FInputChannels;
        if (Source->Size() > 0)
            Lame->lame_set_num_samples(FHandle.get(),
                                       static_cast<unsigned long>(Source->Size() / FrameBytes));
        Lame->lame_set_in_samplerate(FHandle.get(), Source->SampleRate());
        Lame->lame_set_num_channels(FHandle.get(), 2);
        Lame->lame_set_brate(FHandle.get(), MP3BitRateKbps(FBitRate));
        if (Lame->lame_init_params(FHandle.get()) < 0)
            throw EACSException("The MP3 encoder cannot encode " + std::to_string(Source->SampleRate()) +
                                " Hz at " + std::to_string(MP3BitRateKbps(FBitRate)) + " kbit/s.");
    }
    SetNote();
    FOutputBuffer.resize(OutputBufferSize);
    FCarry = 0;
}

void TMP3Out::SetNote() {
    std::string Note;
    if (FInputChannels > 2)
        Note = "Downmixed from " + std::to_string(FInputChannels) + " channels to stereo.";
    // LAME resamples what its bit rate or MPEG version cannot carry at the input's rate.
    int WrittenRate = Lame->lame_get_out_samplerate(FHandle.get());
    if (WrittenRate != Input()->SampleRate())
        Note += (Note.empty() ? "" : " ") + std::string("Written at ") + std::to_string(WrittenRate) + " Hz.";
    FNote = Note;
}

int TMP3Out::EncodeShortSamples(int32_t Frames) {
    const short* Samples = reinterpret_cast<const short*>(FPcmBuffer);
    if (FInputBits == 8) {
        // 8-bit PCM is unsigned.
        FWideBuffer.resize(size_t(Frames) * FInputChannels);
        for (size_t I = 0; I < FWideBuffer.size(); ++I) FWideBuffer[I] = int16_t((FPcmBuffer[I] - 128) * 256);
        Samples = FWideBuffer.data();
    }
    return FInputChannels == 2
               ? Lame->lame_encode_buffer_interleaved(FHandle.get(), const_cast<short*>(Samples), Frames,
                                                      FOutputBuffer.data(), OutputBufferSize)
               // Mono is encoded as two identical channels.
               : Lame->lame_encode_buffer(FHandle.get(), Samples, Samples, Frames, FOutputBuffer.data(),
                                          OutputBufferSize);
}

int TMP3Out::EncodeFloatSamples(int32_t Frames) {
    size_t Count = size_t(Frames) * FInputChannels;
    FFloatBuffer.resize(Count);
    UnpackPcmToFloat(FPcmBuffer, FInputBits, Count, FFloatBuffer.data());
    const float* Samples = FFloatBuffer.data();
    if (FInputChannels > 2) {
        FStereoBuffer.resize(size_t(Frames) * 2);
        DownmixToStereo(Samples, FInputChannels, size_t(Frames), FStereoBuffer.data());
        Samples = FStereoBuffer.data();
    }
    return FInputChannels == 1 ? Lame->lame_encode_buffer_ieee_float(FHandle.get(), Samples, Samples, Frames,
                                                                     FOutputBuffer.data(), OutputBufferSize)
                               : Lame->lame_encode_buffer_interleaved_ieee_float(
                                     FHandle.get(), Samples, Frames, FOutputBuffer.data(), OutputBufferSize);
}

void TMP3Out::EncodeFrames(int32_t Frames) {
    int Count = TakesShortSamples() ? EncodeShortSamples(Frames) : EncodeFloatSamples(Frames);
    if (Count < 0) throw EACSException("The MP3 encoder failed (error " + std::to_string(Count) + ").");
    FStream->Write(FOutputBuffer.data(), Count);
}

bool TMP3Out::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    int32_t Count = ReadInput(FPcmBuffer + FCarry, PcmBufferSize - FCarry);
    if (Count == 0) return false;
    int32_t Bytes = FCarry + Count;
    int32_t FrameBytes = FInputBits / 8 * FInputChannels;
    int32_t Frames = Bytes / FrameBytes;
    if (Frames > 0) EncodeFrames(Frames);
    FCarry = Bytes - Frames * FrameBytes;
    std::memmove(FPcmBuffer, FPcmBuffer + Frames * FrameBytes, size_t(FCarry));
    return true;
}

void TMP3Out::WriteLameTagFrame() {
    size_t Length = Lame->lame_get_lametag_frame(FHandle.get(), FOutputBuffer.data(), FOutputBuffer.size());
    if (Length == 0 || Length > FOutputBuffer.size()) return;
    int64_t End = FStream->Position();
    FStream->Seek(FStreamStart);
    FStream->Write(FOutputBuffer.data(), int64_t(Length));
    FStream->Seek(End);
}

void TMP3Out::FinishOutput() {
    if (!FHandle || !FStream) return;
    // Tag fields are taken as they are now; later changes do not reach this file.
    Lame->id3tag_init(FHandle.get());
    Lame->id3tag_set_title(FHandle.get(), FId3TagTitle.c_str());
    Lame->id3tag_set_artist(FHandle.get(), FId3TagArtist.c_str());
    Lame->id3tag_set_album(FHandle.get(), FId3TagAlbum.c_str());
    Lame->id3tag_set_year(FHandle.get(), FId3TagYear.c_str());
    Lame->id3tag_set_track(FHandle.get(), FId3TagTrack.c_str());
    Lame->id3tag_set_comment(FHandle.get(), FId3TagComment.c_str());
    int Count = Lame->lame_encode_flush(FHandle.get(), FOutputBuffer.data(), OutputBufferSize);
    if (Count > 0) FStream->Write(FOutputBuffer.data(), Count);
    WriteLameTagFrame();
    FStream->Flush();
}

void TMP3Out::CloseOutput() {
    FStream.reset();
    FHandle.reset();
    FOutputBuffer.clear();
    FOutputBuffer.shrink_to_fit();
}

} // namespace deraz
