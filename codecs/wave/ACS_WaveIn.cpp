#include "codecs/wave/ACS_Wave.h"

#include <algorithm>
#include <bit>
#include <string>

#include "codecs/wave/WaveConverter.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

static_assert(std::endian::native == std::endian::little, "PCM is delivered in the machine's byte order");

namespace {

constexpr int32_t MaxChannels = 8;

std::string Sentence(const std::string& Start, int32_t Number, const std::string& End) {
    return Start + std::to_string(Number) + End;
}

// Why PCM or float data of this format cannot be delivered; empty when it can.
std::string PcmFormatProblem(const TWaveHeader& H) {
    if (H.Channels < 1 || H.Channels > MaxChannels)
        return Sentence("WAV with ", H.Channels, " channels is not supported.");
    if (H.SampleRate == 0) return "The \"fmt \" chunk is damaged.";
    if (H.WavType == wtFloat && H.BitsPerSample != 32 && H.BitsPerSample != 64)
        return Sentence("Floating-point WAV with ", H.BitsPerSample, " bits per sample is not supported.");
    if (H.WavType == wtPCM && (H.BitsPerSample % 8 != 0 || H.BitsPerSample < 8 || H.BitsPerSample > 32))
        return Sentence("WAV with ", H.BitsPerSample, " bits per sample is not supported.");
    return {};
}

} // namespace

void TWaveIn::OpenSource() {
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    FSource = std::make_unique<TFileWaveSource>(*FStream);
    ReadHeader();
}

void TWaveIn::ReadHeader() {
    FValid = true;
    FDecodable = false;
    FHeader = WalkWaveHeader(*FSource);
    FWavType = FHeader.WavType;
    TakeFormat();
    switch (FWavType) {
    case wtUnsupported:
        Refuse(FHeader.Error);
        break;
    case wtPCM:
    case wtFloat:
        TakePcm();
        break;
    case wtDVIADPCM:
    case wtMSADPCM:
        TakeAdpcm();
        break;
    case wtACM:
        OpenAcm();
        break;
    }
}

void TWaveIn::Refuse(std::string Reason) {
    FValid = false;
    FDecodeError = std::move(Reason);
}

int32_t TWaveIn::BlockFrames() const {
    return FWavType == wtDVIADPCM ? ima::FramesPerBlock(FHeader.BlockAlign, FChannels)
                                  : msadpcm::FramesPerBlock(FHeader.SamplesPerBlock, FChannels);
}

void TWaveIn::TakeAdpcm() {
    FBitsPerSample = 16;
    std::string Problem = AdpcmProblem();
    FDecodable = Problem.empty();
    if (!FDecodable) {
        Refuse(std::move(Problem));
        return;
    }
    // A file declaring another sample size still decodes as 4-bit ADPCM, but is not Valid.
    if (FHeader.BitsPerSample != 4)
        Refuse(Sentence("ADPCM with ", FHeader.BitsPerSample, " bits per sample is not supported."));
    TakeAdpcmLength();
}

std::string TWaveIn::AdpcmProblem() {
    if (FChannels < 1 || FChannels > 2)
        return Sentence("ADPCM with ", FChannels, " channels is not supported.");
    const std::string Layout = "The ADPCM block layout is not supported.";
    if (FWavType == wtDVIADPCM) {
        if (!ima::BlockLayoutValid(FHeader.BlockAlign, FChannels)) return Layout;
    } else {
        if (FHeader.CoefficientPairs > MaxMsCoefficientPairs || FHeader.SamplesPerBlock < 2 ||
            FHeader.BlockAlign < msadpcm::BlockBytesNeeded(FHeader.SamplesPerBlock, FChannels))
            return Layout;
        FCoefficients.Count = FHeader.CoefficientPairs;
        FCoefficients.Pairs = FHeader.Coefficients;
    }
    if (int64_t(BlockFrames()) * FChannels * 2 > DecodeBufferSize) return Layout;
    FBlock.assign(FHeader.BlockAlign, 0);
    // The first block's header must be one the decoder accepts.
    FDecodable = true;
    bool FirstBlockGood = FSource->Position() >= FSource->Size() || DecodeNextBlock() > 0;
    FSource->Seek(FHeader.DataOffset);
    return FirstBlockGood ? std::string() : "The first ADPCM block is damaged.";
}

void TWaveIn::TakeFormat() {
    FChannels = FHeader.Channels;
    FSampleRate = int32_t(FHeader.SampleRate);
    FBitsPerSample = FHeader.BitsPerSample;
    FSize = 0;
    FTotalSamples = 0;
}

void TWaveIn::TakeAdpcmLength() {
    // The last block is padded to its full length by the encoder; the "fact" chunk says where the
    // audio ends. A file whose blocks hold fewer frames (cut short) delivers what they hold.
    int64_t DataBytes = std::min<int64_t>(FHeader.DataSize, FSource->Size() - FHeader.DataOffset);
    int64_t Blocks = (DataBytes + FHeader.BlockAlign - 1) / FHeader.BlockAlign;
    int64_t Frames = std::min<int64_t>(FHeader.SampleLength, Blocks * BlockFrames());
    FTotalSamples = Frames;
    FSize = Frames * FChannels * 2;
}

void TWaveIn::TakePcm() {
    if (std::string Problem = PcmFormatProblem(FHeader); !Problem.empty()) {
        Refuse(std::move(Problem));
        return;
    }
    FDecodable = true;
    if (FWavType == wtFloat) {
        // Float samples are delivered as 24-bit integers.
        FBitsPerSample = 24;
        FNote = Sentence("", FHeader.BitsPerSample,
                         "-bit float samples were written as 24-bit integers, clipped at full scale.");
    }
    // A data size beyond the end of the file (truncated or still being written) counts what the
    // file holds; a last frame cut short is left out.
    int64_t Stored = std::clamp<int64_t>(FSource->Size() - FHeader.DataOffset, 0, FHeader.DataSize);
    FTotalSamples = Stored / StoredFrameBytes();
    FSize = FTotalSamples * FrameBytes();
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
        Refuse("The MPEG Layer-3 data could not be decoded.");
        return;
    }
    TakeFormat();
    TakePcm();
}

void TWaveIn::CloseSource() {
    FSource.reset();
    FStream.reset();
}

bool TWaveIn::Seek(int64_t SampleNum) {
    OpenFile();
    int64_t Frame = std::max<int64_t>(SampleNum, 0);
    bool Result = FWavType != wtUnsupported;
    if (FDecodable && (FWavType == wtPCM || FWavType == wtFloat || FWavType == wtACM)) {
        FSource->Seek(FHeader.DataOffset + Frame * StoredFrameBytes());
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
    case wtFloat:
        Count = RefillFloat();
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

int64_t TWaveIn::FramesToRefill() const {
    return FDecodable ? std::min<int64_t>(DecodeBufferSize / FrameBytes(), (FSize - FPosition) / FrameBytes())
                      : 0;
}

int32_t TWaveIn::RefillPcm() {
    int64_t Frames = FramesToRefill();
    return Frames > 0 ? int32_t(FSource->Read(FBuffer.data(), Frames * FrameBytes())) : 0;
}

int32_t TWaveIn::RefillFloat() {
    int64_t Frames = FramesToRefill();
    if (Frames <= 0) return 0;
    FBlock.resize(size_t(Frames * StoredFrameBytes()));
    int64_t Bytes = FSource->Read(FBlock.data(), int64_t(FBlock.size()));
    int32_t Width = FHeader.BitsPerSample / 8;
    int64_t Samples = Bytes / Width;
    for (int64_t I = 0; I < Samples; ++I) {
        const uint8_t* In = &FBlock[size_t(I * Width)];
        double Value = Width == 4 ? double(std::bit_cast<float>(LittleEndian32(In)))
                                  : std::bit_cast<double>(LittleEndian64(In));
        int32_t Sample = FloatToInt24(Value);
        uint8_t* Out = &FBuffer[size_t(I * 3)];
        Out[0] = uint8_t(Sample);
        Out[1] = uint8_t(Sample >> 8);
        Out[2] = uint8_t(Sample >> 16);
    }
    return int32_t(Samples * 3);
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
