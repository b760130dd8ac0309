#include "codecs/wave/ACS_Wave.h"

#include <algorithm>
#include <bit>
#include <climits>

#include "codecs/wave/WaveConverter.h"

namespace deraz {

static_assert(std::endian::native == std::endian::little, "PCM is delivered in the machine's byte order");

namespace {

int32_t ClampToInt32(int64_t Value) {
    return int32_t(std::clamp<int64_t>(Value, 0, INT32_MAX));
}

} // namespace

void TWaveIn::OpenFile() {
    if (FOpenCount == 0) {
        FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
        FSource = std::make_unique<TFileWaveSource>(*FStream);
        ReadHeader();
    }
    ++FOpenCount;
}

void TWaveIn::ReadHeader() {
    FValid = true;
    FDecodable = false;
    FHeader = WalkWaveHeader(*FSource);
    FWavType = FHeader.WavType;
    TakeFormat();
    switch (FWavType) {
    case wtUnsupported:
        FValid = false;
        break;
    case wtPCM:
        TakePcm();
        break;
    case wtDVIADPCM:
    case wtMSADPCM:
        FValid = FHeader.BitsPerSample == 4;
        FBitsPerSample = 16;
        FDecodable = AdpcmDecodable();
        if (!FDecodable) FValid = false;
        TakeAdpcmLength();
        break;
    case wtACM:
        OpenAcm();
        break;
    }
}

int32_t TWaveIn::BlockFrames() const {
    return FWavType == wtDVIADPCM ? ima::FramesPerBlock(FHeader.BlockAlign, FChannels)
                                  : msadpcm::FramesPerBlock(FHeader.SamplesPerBlock, FChannels);
}

bool TWaveIn::AdpcmDecodable() {
    if (FChannels < 1 || FChannels > 2) return false;
    if (FWavType == wtDVIADPCM) {
        if (!ima::BlockLayoutValid(FHeader.BlockAlign, FChannels)) return false;
    } else {
        if (FHeader.CoefficientPairs > MaxMsCoefficientPairs || FHeader.SamplesPerBlock < 2 ||
            FHeader.BlockAlign < msadpcm::BlockBytesNeeded(FHeader.SamplesPerBlock, FChannels))
            return false;
        FCoefficients.Count = FHeader.CoefficientPairs;
        FCoefficients.Pairs = FHeader.Coefficients;
    }
    if (int64_t(BlockFrames()) * FChannels * 2 > DecodeBufferSize) return false;
    FBlock.assign(FHeader.BlockAlign, 0);
    // The first block's header must be one the decoder accepts.
    FDecodable = true;
    bool FirstBlockGood = FSource->Position() >= FSource->Size() || DecodeNextBlock() > 0;
    FSource->Seek(FHeader.DataOffset);
    return FirstBlockGood;
}

void TWaveIn::TakeFormat() {
    FChannels = FHeader.Channels;
    FSampleRate = int32_t(FHeader.SampleRate);
    FBitsPerSample = FHeader.BitsPerSample;
    FSize = 0;
    FTotalSamples = 0;
}

void TWaveIn::TakeAdpcmLength() {
    if (!FDecodable) return;
    // The last block is padded to its full length by the encoder; the "fact" chunk says where the
    // audio ends. A file whose blocks hold fewer frames (cut short) delivers what they hold.
    int64_t DataBytes = std::min<int64_t>(FHeader.DataSize, FSource->Size() - FHeader.DataOffset);
    int64_t Blocks = (DataBytes + FHeader.BlockAlign - 1) / FHeader.BlockAlign;
    int64_t Frames = std::min<int64_t>(FHeader.SampleLength, Blocks * BlockFrames());
    FTotalSamples = ClampToInt32(Frames);
    FSize = ClampToInt32(Frames * FChannels * 2);
}

void TWaveIn::TakePcm() {
    FDecodable = FrameBytes() > 0;
    FValid = FDecodable;
    if (!FDecodable) return;
    // A data size beyond the end of the file (truncated or still being written) counts what the
    // file holds.
    FSize = ClampToInt32(std::min<int64_t>(FHeader.DataSize, FSource->Size() - FHeader.DataOffset));
    FTotalSamples = FSize / FrameBytes();
}

void TWaveIn::OpenAcm() {
    // The whole file is converted into a PCM WAV image in memory, which then stands in for the
    // file: it is read, sought in and looped over like PCM.
    std::optional<std::vector<uint8_t>> Image;
    try {
        Image = TWaveConverter::ToPcmWave(*FStream);
    } catch (const std::exception&) {
    }
    if (Image) {
        FSource = std::make_unique<TMemoryWaveSource>(std::move(*Image));
        FHeader = WalkWaveHeader(*FSource);
    }
    if (!Image || FHeader.WavType != wtPCM) {
        FValid = false;
        return;
    }
    TakeFormat();
    TakePcm();
}

void TWaveIn::CloseFile() {
    if (FOpenCount == 1) {
        FSource.reset();
        FStream.reset();
    }
    if (FOpenCount > 0) --FOpenCount;
}

bool TWaveIn::Seek(int64_t SampleNum) {
    OpenFile();
    int64_t Frame = std::max<int64_t>(SampleNum, 0);
    bool Result = FWavType != wtUnsupported;
    if (FDecodable && (FWavType == wtPCM || FWavType == wtACM)) {
        FSource->Seek(FHeader.DataOffset + Frame * FrameBytes());
    } else if (FDecodable) {
        FSource->Seek(FHeader.DataOffset + Frame / BlockFrames() * FHeader.BlockAlign);
    }
    CloseFile();
    return Result;
}

std::span<const uint8_t> TWaveIn::Refill() {
    int32_t Count = 0;
    switch (FWavType) {
    case wtPCM:
    case wtACM:
        Count = RefillPcm();
        break;
    case wtDVIADPCM:
    case wtMSADPCM:
        Count = RefillAdpcm();
        break;
    case wtUnsupported:
        break;
    }
    return {FBuffer.data(), size_t(std::max(Count, 0))};
}

int32_t TWaveIn::RefillPcm() {
    int64_t Count = FDecodable ? FSource->Read(FBuffer.data(), DecodeBufferSize) : 0;
    return int32_t(std::min<int64_t>(Count, int64_t(FSize) - FPosition));
}

// The last block stops where the fact chunk says the audio ends: the rest of it is padding.
int32_t TWaveIn::RefillAdpcm() {
    return FPosition < FSize ? int32_t(std::min<int64_t>(DecodeNextBlock(), FSize - FPosition)) : 0;
}

int32_t TWaveIn::DecodeNextBlock() {
    if (!FDecodable || FSource->Position() >= FSource->Size()) return 0;
    // A block cut short by the end of the file decodes with its missing bytes as zero.
    int64_t Got = FSource->Read(FBlock.data(), int64_t(FBlock.size()));
    std::fill(FBlock.begin() + Got, FBlock.end(), 0);
    auto* Out = reinterpret_cast<int16_t*>(FBuffer.data());
    bool Decoded =
        FWavType == wtDVIADPCM
            ? ima::DecodeBlock(FBlock.data(), FHeader.BlockAlign, FChannels, Out)
            : msadpcm::DecodeBlock(FBlock.data(), FHeader.SamplesPerBlock, FChannels, FCoefficients, Out);
    if (!Decoded) {
        // A corrupt block header ends the data for good.
        FSource->Seek(FSource->Size());
        return 0;
    }
    return BlockFrames() * FChannels * 2;
}

} // namespace deraz
