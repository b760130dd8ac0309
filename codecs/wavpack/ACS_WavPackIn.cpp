#include <algorithm>
#include <bit>
#include <filesystem>

#include "codecs/wavpack/ACS_WavPack.h"
#include "codecs/wavpack/WavPackLibrary.h"
#include "pipeline/PcmSamples.h"
#include "platform/ByteOrder.h"

namespace deraz {

namespace {

constexpr int32_t MaxChannels = 8;
// Sample frames decoded per refill.
constexpr uint32_t RefillFrames = 4096;

TFileStream& StreamOf(void* Id) {
    return *static_cast<TFileStream*>(Id);
}

// The library reads the file and its correction file through our streams, so that names and
// errors are handled as for every other source. A failed read counts as the end of the data;
// the missing samples are then reported by the source.
int32_t ReadBytes(void* Id, void* Data, int32_t Count) {
    try {
        return int32_t(StreamOf(Id).Read(Data, Count));
    } catch (const std::exception&) {
        return 0;
    }
}

int Reposition(void* Id, int64_t Offset, int Origin) {
    try {
        StreamOf(Id).Seek(Offset, Origin);
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

WavpackStreamReader64 StreamReader() {
    WavpackStreamReader64 Reader{};
    Reader.read_bytes = ReadBytes;
    Reader.get_pos = [](void* Id) { return StreamOf(Id).Position(); };
    Reader.set_pos_abs = [](void* Id, int64_t Offset) { return Reposition(Id, Offset, SEEK_SET); };
    Reader.set_pos_rel = [](void* Id, int64_t Delta, int Mode) { return Reposition(Id, Delta, Mode); };
    Reader.push_back_byte = [](void* Id, int Byte) { return Reposition(Id, -1, SEEK_CUR) == 0 ? Byte : EOF; };
    Reader.get_length = [](void* Id) { return StreamOf(Id).Size(); };
    Reader.can_seek = [](void*) { return 1; };
    return Reader;
}

// The correction file beside a hybrid file: its name with ".wvc" for its extension.
std::string CorrectionFileName(const std::string& FileName) {
    const size_t Dot = FileName.rfind('.');
    const size_t Slash = FileName.find_last_of("/\\");
    const bool HasExtension = Dot != std::string::npos && (Slash == std::string::npos || Dot > Slash);
    return (HasExtension ? FileName.substr(0, Dot) : FileName) + ".wvc";
}

} // namespace

TWavPackIn::TWavPackIn(TComponent* AOwner) : TACSFileIn(AOwner) {
    RequireLibrary(WavPackLibrary());
}

TWavPackIn::~TWavPackIn() {
    CloseSource();
}

void TWavPackIn::OpenSource() {
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    std::error_code Error;
    const std::string Correction = CorrectionFileName(FFileName);
    if (Correction != FFileName &&
        std::filesystem::is_regular_file(std::filesystem::u8path(Correction), Error))
        FCorrection = std::make_unique<TFileStream>(Correction, TFileOpenMode::ReadOnly);
    static WavpackStreamReader64 Reader = StreamReader();
    char Message[80] = {};
    FContext = OwnHandle(WavPackLibrary()->WavpackOpenFileInputEx64(&Reader, FStream.get(), FCorrection.get(),
                                                                    Message, OPEN_WVC | OPEN_NORMALIZE, 0),
                         WavPackLibrary()->WavpackCloseFile);
    FBitsPerSample = FChannels = FSampleRate = 0;
    FTotalSamples = 0;
    FSize = 0;
    FNote.clear();
    FFromStart = true;
    FFramesDecoded = 0;
    FSum.Reset();
    FDecodeError = FContext ? TakeFormat() : "The file is no WavPack file (" + std::string(Message) + ").";
    FValid = FDecodeError.empty();
}

std::string TWavPackIn::TakeFormat() {
    const auto& Api = WavPackLibrary().Functions();
    WavpackContext* Context = FContext.get();
    const int Mode = Api.WavpackGetMode(Context);
    FChannels = Api.WavpackGetNumChannels(Context);
    FSampleRate = int32_t(Api.WavpackGetSampleRate(Context));
    FStoredBytes = Api.WavpackGetBytesPerSample(Context);
    FFloat = (Mode & MODE_FLOAT) != 0;
    if (FChannels < 1 || FChannels > MaxChannels)
        return "WavPack with " + std::to_string(FChannels) + " channels is not supported.";
    if (FSampleRate <= 0) return "The WavPack file declares no sample rate.";
    if (FStoredBytes < 1 || FStoredBytes > 4 || (FFloat && FStoredBytes != 4))
        return "WavPack with " + std::to_string(FStoredBytes) + "-byte samples is not supported.";
    FBitsPerSample = FFloat ? 24 : FStoredBytes * 8;
    if (FFloat) FNote = "32-bit float samples were written as 24-bit integers, clipped at full scale.";
    const bool Lossy = (Mode & MODE_LOSSLESS) == 0;
    if (Lossy)
        FNote += std::string(FNote.empty() ? "" : " ") +
                 "The WavPack file is lossy (hybrid without its correction file).";
    FCheckSum = !Lossy && Api.WavpackGetMD5Sum(Context, FStoredSum.data());
    const int64_t Total = Api.WavpackGetNumSamples64(Context);
    FTotalSamples = std::max<int64_t>(Total, 0);
    FSize = Total >= 0 ? Total * FChannels * (FBitsPerSample / 8) : -1;
    FSamples.resize(size_t(RefillFrames) * FChannels);
    FBuffer.resize(FSamples.size() * 4);
    FSumBytes.resize(FSamples.size() * 4);
    return {};
}

void TWavPackIn::CloseSource() {
    FContext.reset();
    FCorrection.reset();
    FStream.reset();
}

bool TWavPackIn::Seek(int64_t SampleNum) {
    if (!FContext || !FValid) return false;
    FFromStart = SampleNum == 0;
    FFramesDecoded = std::max<int64_t>(SampleNum, 0);
    return WavPackLibrary()->WavpackSeekSample64(FContext.get(), FFramesDecoded) != 0;
}

void TWavPackIn::Fail(const std::string& What) const {
    throw EACSException("WavPack file " + FFileName + ": " + What);
}

std::span<const uint8_t> TWavPackIn::Refill() {
    if (!FValid) throw EACSException("WavPack file " + FFileName + " cannot be decoded: " + FDecodeError);
    const int32_t FrameBytes = FChannels * (FBitsPerSample / 8);
    int64_t Wanted = RefillFrames;
    if (FSize >= 0) Wanted = std::min<int64_t>(Wanted, (FSize - FPosition) / FrameBytes);
    if (Wanted <= 0) {
        CheckEnd();
        return {};
    }
    const auto& Api = WavPackLibrary().Functions();
    const uint32_t Frames = Api.WavpackUnpackSamples(FContext.get(), FSamples.data(), uint32_t(Wanted));
    if (Api.WavpackGetNumErrors(FContext.get()) > 0)
        Fail("the audio is damaged near sample " + std::to_string(FFramesDecoded) + ".");
    if (Frames == 0) {
        CheckEnd();
        return {};
    }
    Deliver(Frames);
    FFramesDecoded += Frames;
    return {FBuffer.data(), size_t(Frames) * size_t(FrameBytes)};
}

void TWavPackIn::Deliver(uint32_t Frames) {
    const size_t Count = size_t(Frames) * FChannels;
    const bool Summing = FCheckSum && FFromStart;
    if (FFloat) {
        // The sum covers the floats as stored.
        if (Summing) {
            for (size_t I = 0; I < Count; ++I) PutLittleEndian32(&FSumBytes[I * 4], uint32_t(FSamples[I]));
            FSum.Update(FSumBytes.data(), Count * 4);
        }
        for (size_t I = 0; I < Count; ++I)
            FSamples[I] = FloatToInt24(double(std::bit_cast<float>(FSamples[I])));
    }
    PackPcm(FSamples.data(), FBitsPerSample, Count, FBuffer.data());
    // The sum of integers covers them as a WAV file holds them, which is the pipeline's form.
    if (Summing && !FFloat) FSum.Update(FBuffer.data(), Count * size_t(FBitsPerSample / 8));
}

void TWavPackIn::CheckEnd() {
    const bool Whole = FEndSample == -1 && FFromStart;
    if (!Whole) return;
    if (FTotalSamples > 0 && FFramesDecoded < FTotalSamples)
        Fail("the audio ends at sample " + std::to_string(FFramesDecoded) + " of " +
             std::to_string(FTotalSamples) + ".");
    if (FCheckSum && FSum.Final() != FStoredSum)
        Fail("the audio does not match the MD5 sum the file stores.");
    // Checked once: a second call at the end finds nothing more to compare.
    FCheckSum = false;
}

} // namespace deraz
