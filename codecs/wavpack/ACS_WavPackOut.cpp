#include <algorithm>

#include "codecs/WholeBytePcm.h"
#include "codecs/wavpack/ACS_WavPack.h"
#include "codecs/wavpack/WavPackLibrary.h"
#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

namespace {

// Sample frames handed to the encoder per step.
constexpr int32_t StepFrames = 4096;

// The library's flags of each mode: fast, default, high, very high.
constexpr int ModeFlags[] = {CONFIG_FAST_FLAG, 0, CONFIG_HIGH_FLAG, CONFIG_HIGH_FLAG | CONFIG_VERY_HIGH_FLAG};

EACSException EmptyOutput() {
    return EACSException("A WavPack file cannot be empty.");
}

} // namespace

TWavPackOut::TWavPackOut(TComponent* AOwner) : TACSFileOut(AOwner) {
    RequireLibrary(WavPackLibrary());
}

TWavPackOut::~TWavPackOut() {
    TerminateWorker();
    CloseOutput();
}

void TWavPackOut::Prepare() {
    OpenOutputStream();
    FWriteError.clear();
    FFirstBlock.clear();
    FFrames = 0;
    FSum = ape::TMd5();
    FContext = OwnHandle(WavPackLibrary()->WavpackOpenFileOutput(WriteBlock, this, nullptr),
                         WavPackLibrary()->WavpackCloseFile);
    if (!FContext) throw EACSException("Failed to initialize WavPack encoder.");
    StartInput();
    Configure();
}

void TWavPackOut::Configure() {
    TACSInput* Source = Input();
    const int32_t Bits = Source->BitsPerSample();
    FChannels = Source->Channels();
    FBytes = Bits / 8;
    RequireWholeBytePcm(*Source, "WavPack");
    WavpackConfig Config{};
    Config.bits_per_sample = Bits;
    Config.bytes_per_sample = FBytes;
    Config.num_channels = FChannels;
    Config.channel_mask = int32_t(WaveChannelMask(FChannels));
    Config.sample_rate = Source->SampleRate();
    Config.flags = ModeFlags[std::clamp(FMode, 0, int32_t(std::size(ModeFlags)) - 1)] | CONFIG_MD5_CHECKSUM;
    const int64_t InputBytes = Source->Size();
    // Without samples the library writes no block, and a file without one is no WavPack file.
    if (InputBytes == 0) throw EmptyOutput();
    const int64_t Frames = InputBytes >= 0 ? InputBytes / (int64_t(FBytes) * FChannels) : -1;
    const auto& Api = WavPackLibrary().Functions();
    if (!Api.WavpackSetConfiguration64(FContext.get(), &Config, Frames, nullptr) ||
        !Api.WavpackPackInit(FContext.get()))
        throw EACSException("Failed to initialize WavPack encoder.");
    FBuffer.resize(size_t(StepFrames) * FChannels * FBytes);
    FSamples.resize(size_t(StepFrames) * FChannels);
}

bool TWavPackOut::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    const int32_t FrameBytes = FBytes * FChannels;
    const int32_t Filled =
        FillFromInput(FBuffer.data(), int32_t(FBuffer.size()),
                      [this](uint8_t* Into, int32_t Count) { return ReadInput(Into, Count); });
    const int32_t Frames = Filled / FrameBytes;
    if (Frames == 0) return false;
    // The sum covers the audio as a WAV file holds it, which is the pipeline's form.
    FSum.Update(FBuffer.data(), size_t(Frames) * size_t(FrameBytes));
    UnpackPcm(FBuffer.data(), FBytes * 8, size_t(Frames) * FChannels, FSamples.data());
    if (!WavPackLibrary()->WavpackPackSamples(FContext.get(), FSamples.data(), uint32_t(Frames)))
        FailEncoding();
    FFrames += Frames;
    return Filled == int32_t(FBuffer.size());
}

void TWavPackOut::FinishOutput() {
    if (!FContext) return;
    const auto& Api = WavPackLibrary().Functions();
    auto Sum = FSum.Final();
    if (!Api.WavpackFlushSamples(FContext.get()) || !Api.WavpackStoreMD5Sum(FContext.get(), Sum.data()) ||
        !Api.WavpackFlushSamples(FContext.get()))
        FailEncoding();
    if (FFirstBlock.empty()) throw EmptyOutput();
    try {
        Api.WavpackUpdateNumSamples(FContext.get(), FFirstBlock.data());
        FStream->Seek(0);
        FStream->Write(FFirstBlock.data(), int64_t(FFirstBlock.size()));
        FStream->Flush();
    } catch (const std::exception& E) {
        FWriteError = E.what();
        FailEncoding();
    }
}

void TWavPackOut::CloseOutput() {
    FContext.reset();
    FStream.reset();
    FBuffer = {};
    FSamples = {};
}

int TWavPackOut::WriteBlock(void* Client, void* Data, int32_t Count) {
    auto* Self = static_cast<TWavPackOut*>(Client);
    try {
        const auto* Bytes = static_cast<const uint8_t*>(Data);
        if (Self->FFirstBlock.empty()) Self->FFirstBlock.assign(Bytes, Bytes + Count);
        Self->FStream->Write(Bytes, Count);
        return 1;
    } catch (const std::exception& E) {
        Self->FWriteError = E.what();
        return 0;
    }
}

void TWavPackOut::FailEncoding() const {
    throw EACSException(FWriteError.empty() ? "Failed to encode data."
                                            : "Failed to encode data. " + FWriteError);
}

} // namespace deraz
