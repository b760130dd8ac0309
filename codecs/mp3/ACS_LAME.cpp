#include "codecs/mp3/ACS_LAME.h"

#include <cstring>
#include <filesystem>

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
    if (FInputChannels < 1 || FInputChannels > 2)
        throw EACSException("MP3 encoding takes mono or stereo input, not " + std::to_string(FInputChannels) +
                            " channels.");
    if (FInputBits != 8 && FInputBits != 16)
        throw EACSException("MP3 encoding takes 8-bit or 16-bit input, not " + std::to_string(FInputBits) +
                            "-bit.");
}

void TMP3Out::Prepare() {
    if (FFileName.empty()) throw EACSException("File name is not assigned.");
    TACSInput* Source = Input();
    // Creating the output must never truncate the file being read.
    std::error_code Error;
    if (auto* FileSource = dynamic_cast<TACSFileIn*>(Source);
        FileSource && std::filesystem::equivalent(FileSource->FileName(), FFileName, Error))
        throw EACSException("The output file is the input file: " + FFileName);
    Source->Init();
    try {
        CheckInputFormat();
        FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::Create);
        FStreamStart = FStream->Position();
        {
            std::lock_guard Lock(TLameLibraryUse::SetupMutex());
            FHandle = Lame->init();
            if (!FHandle) throw EACSException("The MP3 encoder could not be created.");
            int32_t FrameBytes = FInputBits / 8 * FInputChannels;
            if (Source->Size() > 0)
                Lame->set_num_samples(FHandle, static_cast<unsigned long>(Source->Size() / FrameBytes));
            Lame->set_in_samplerate(FHandle, Source->SampleRate());
            Lame->set_num_channels(FHandle, 2);
            Lame->set_brate(FHandle, MP3BitRateKbps(FBitRate));
            if (Lame->init_params(FHandle) < 0)
                throw EACSException("The MP3 encoder cannot encode " + std::to_string(Source->SampleRate()) +
                                    " Hz at " + std::to_string(MP3BitRateKbps(FBitRate)) + " kbit/s.");
        }
    } catch (...) {
        bool Created = FStream != nullptr;
        ReleaseEncoder();
        // Nothing was encoded: the empty file we created is not left behind.
        if (Created) {
            std::error_code Ignored;
            std::filesystem::remove(FFileName, Ignored);
        }
        Source->Flush();
        throw;
    }
    FOutputBuffer.resize(OutputBufferSize);
    FCarry = 0;
}

void TMP3Out::EncodeFrames(int32_t Frames) {
    const short* Samples = reinterpret_cast<const short*>(FPcmBuffer);
    if (FInputBits == 8) {
        // 8-bit PCM is unsigned.
        FWideBuffer.resize(size_t(Frames) * FInputChannels);
        for (size_t I = 0; I < FWideBuffer.size(); ++I) FWideBuffer[I] = int16_t((FPcmBuffer[I] - 128) * 256);
        Samples = FWideBuffer.data();
    }
    int Count =
        FInputChannels == 2
            ? Lame->encode_buffer_interleaved(FHandle, const_cast<short*>(Samples), Frames,
                                              FOutputBuffer.data(), OutputBufferSize)
            // Mono is encoded as two identical channels.
            : Lame->encode_buffer(FHandle, Samples, Samples, Frames, FOutputBuffer.data(), OutputBufferSize);
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
    size_t Length = Lame->get_lametag_frame(FHandle, FOutputBuffer.data(), FOutputBuffer.size());
    if (Length == 0 || Length > FOutputBuffer.size()) return;
    int64_t End = FStream->Position();
    FStream->Seek(FStreamStart);
    FStream->Write(FOutputBuffer.data(), int64_t(Length));
    FStream->Seek(End);
}

void TMP3Out::Done() {
    try {
        if (FHandle && FStream) {
            // Tag fields are taken as they are now; later changes do not reach this file.
            Lame->id3_init(FHandle);
            Lame->id3_set_title(FHandle, FId3TagTitle.c_str());
            Lame->id3_set_artist(FHandle, FId3TagArtist.c_str());
            Lame->id3_set_album(FHandle, FId3TagAlbum.c_str());
            Lame->id3_set_year(FHandle, FId3TagYear.c_str());
            Lame->id3_set_track(FHandle, FId3TagTrack.c_str());
            Lame->id3_set_comment(FHandle, FId3TagComment.c_str());
            int Count = Lame->encode_flush(FHandle, FOutputBuffer.data(), OutputBufferSize);
            if (Count > 0) FStream->Write(FOutputBuffer.data(), Count);
            WriteLameTagFrame();
            FStream->Flush();
        }
    } catch (...) {
        ReleaseEncoder();
        FlushInput();
        throw;
    }
    ReleaseEncoder();
    FlushInput();
}

void TMP3Out::FlushInput() {
    if (TACSInput* Source = Input()) Source->Flush();
}

void TMP3Out::ReleaseEncoder() {
    FStream.reset();
    if (FHandle) Lame->close(FHandle);
    FHandle = nullptr;
    FOutputBuffer.clear();
    FOutputBuffer.shrink_to_fit();
}

} // namespace deraz
