#include "codecs/wave/ACS_Wave.h"

#include <algorithm>
#include <filesystem>

#include "codecs/wave/WavHeaderWriter.h"

namespace deraz {

namespace {

constexpr int32_t PcmBufferSize = 16384;
constexpr int64_t ImaHeaderSize = 60;

void PutChunkStart(uint8_t* At, const char* Id, uint32_t Size) {
    std::memcpy(At, Id, 4);
    PutLittleEndian32(At + 4, Size);
}

} // namespace

TWaveOut::TWaveOut(TComponent* AOwner) : TACSFileOut(AOwner) {}

TWaveOut::~TWaveOut() {
    TerminateWorker();
}

void TWaveOut::SetWavType(TWavType Value) {
    if (!FBusy && (Value == wtPCM || Value == wtDVIADPCM)) FWavType = Value;
}

void TWaveOut::SetBlockSize(uint16_t Value) {
    if (!FBusy && Value != 0 && Value % 4 == 0) FBlockSize = Value;
}

void TWaveOut::Prepare() {
    FEndOfInput = false;
    FAppending = false;
    FFramesRead = 0;
    OpenOutputStream(FFileMode == foAppend);
    StartInput();
    PrepareFormat();
}

void TWaveOut::PrepareFormat() {
    TACSInput* In = Input();
    FChannels = In->Channels();
    FSizeKnown = In->Size() != -1;
    if (FFileMode == foAppend && FStream->Size() > 0) ReadAppendHeader();
    if (FWavType == wtPCM)
        PreparePcm();
    else
        PrepareAdpcm();
}

void TWaveOut::ReadAppendHeader() {
    TFileWaveSource Source(*FStream);
    FAppendHeader = WalkWaveHeader(Source);
    const TWaveHeader& H = FAppendHeader;
    bool Usable =
        H.WavType == wtPCM || (H.WavType == wtDVIADPCM && ima::BlockLayoutValid(H.BlockAlign, H.Channels));
    if (!Usable) throw EACSException("Cannot append data to this .wav file.");
    FWavType = H.WavType;
    if (FWavType == wtDVIADPCM) FBlockSize = H.BlockAlign;
    FAppending = true;
}

void TWaveOut::PreparePcm() {
    TACSInput* In = Input();
    int32_t Rate = In->SampleRate(), Bits = In->BitsPerSample();
    if (FAppending) {
        const TWaveHeader& H = FAppendHeader;
        if (Rate != int32_t(H.SampleRate) || Bits != H.BitsPerSample || FChannels != H.Channels)
            throw EACSException("Cannot append data in different audio format.");
        FStream->Seek(0, SEEK_END);
    } else {
        auto H = WaveFileHeader(PcmFormatRecord(FChannels, Rate, Bits), uint32_t(In->Size()));
        FStream->Write(H.data(), WaveHeaderSize);
    }
    FPcmBuffer.resize(PcmBufferSize);
}

void TWaveOut::PrepareAdpcm() {
    TACSInput* In = Input();
    int32_t Rate = In->SampleRate();
    if (In->BitsPerSample() != 16) throw EACSException("Cannot encode 8 bit sound into ADPCM.");
    if (FChannels < 1 || FChannels > 2) throw EACSException("Cannot encode more than 2 channels into ADPCM.");
    if (!ima::BlockLayoutValid(FBlockSize, FChannels))
        throw EACSException("The ADPCM block size of stereo sound must be a multiple of 8.");
    if (FAppending) {
        const TWaveHeader& H = FAppendHeader;
        if (Rate != int32_t(H.SampleRate) || FChannels != H.Channels)
            throw EACSException("Cannot append data in different audio format.");
        FStream->Seek(0, SEEK_END);
    } else {
        uint32_t Spb = uint32_t(SamplesPerBlock());
        FInputFrames = FSizeKnown ? uint32_t(In->Size()) / 2 / uint32_t(FChannels) : 0;
        // The encoder writes whole blocks, the last one padded with silence.
        uint32_t DataSize = (FInputFrames / Spb + 1) * FBlockSize;
        std::array<uint8_t, ImaHeaderSize> H;
        PutChunkStart(&H[0], "RIFF", DataSize + 52);
        std::memcpy(&H[8], "WAVE", 4);
        PutChunkStart(&H[12], "fmt ", 20);
        PutLittleEndian16(&H[20], 0x11);
        PutLittleEndian16(&H[22], uint32_t(FChannels));
        PutLittleEndian32(&H[24], uint32_t(Rate));
        PutLittleEndian32(&H[28], uint32_t(Rate) / Spb * FBlockSize);
        PutLittleEndian16(&H[32], FBlockSize);
        PutLittleEndian16(&H[34], 4);
        PutLittleEndian16(&H[36], 2); // the extension holds the samples per block
        PutLittleEndian16(&H[38], Spb);
        PutChunkStart(&H[40], "fact", 4);
        PutLittleEndian32(&H[48], FInputFrames);
        PutChunkStart(&H[52], "data", DataSize);
        FStream->Write(H.data(), ImaHeaderSize);
    }
    FIma[0] = FIma[1] = {};
    FBlockPcm.resize(size_t(SamplesPerBlock()) * FChannels);
    FBlockData.resize(FBlockSize);
}

bool TWaveOut::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    if (FEndOfInput) return false;
    return FWavType == wtPCM ? OutputPcm() : OutputAdpcm();
}

bool TWaveOut::OutputPcm() {
    // An input that fails raises through the step: the output is still finished (the pipeline
    // calls Done), and the conversion is reported as failed rather than as complete.
    int32_t Count = ReadInput(FPcmBuffer.data(), PcmBufferSize);
    if (Count <= 0) return false;
    FStream->Write(FPcmBuffer.data(), Count);
    return true;
}

bool TWaveOut::OutputAdpcm() {
    auto* Pcm = reinterpret_cast<uint8_t*>(FBlockPcm.data());
    int32_t Wanted = int32_t(FBlockPcm.size() * 2), Filled = 0;
    while (Filled < Wanted) {
        int32_t Count = ReadInput(Pcm + Filled, Wanted - Filled);
        if (Count <= 0) {
            FEndOfInput = true;
            break;
        }
        Filled += Count;
    }
    // The rest of the last block is silence.
    std::fill(Pcm + Filled, Pcm + Wanted, 0);
    FFramesRead += Filled / 2 / FChannels;
    ima::EncodeBlock(FBlockPcm.data(), FBlockSize, FChannels, FIma, FBlockData.data());
    FStream->Write(FBlockData.data(), FBlockSize);
    return true;
}

void TWaveOut::WriteAt(int64_t Offset, uint32_t Value) {
    uint8_t Field[4];
    PutLittleEndian32(Field, Value);
    FStream->Seek(Offset);
    FStream->Write(Field, 4);
}

void TWaveOut::CompleteHeader() {
    bool Ima = FWavType == wtDVIADPCM;
    // IMA ADPCM sizes are always counted from what was written: the encoder may write more or
    // fewer blocks than the input's Size foretold (a stop, an input that ends early or late).
    if (FSizeKnown && FFileMode != foAppend && !Ima) return;
    int64_t Length = FStream->Size();
    int64_t DataOffset = FAppending ? FAppendHeader.DataOffset : Ima ? ImaHeaderSize : WaveHeaderSize;
    int64_t DataSizeOffset = FAppending ? FAppendHeader.DataSizeOffset : DataOffset - 4;
    uint32_t DataSize = uint32_t(Length - DataOffset);
    WriteAt(DataSizeOffset, DataSize);
    if (Ima) {
        uint32_t Frames = uint32_t(SamplesPerBlock()) * (DataSize / FBlockSize);
        if (FSizeKnown && !FAppending) Frames = uint32_t(std::min<int64_t>(FInputFrames, FFramesRead));
        WriteAt(FAppending ? FAppendHeader.FactValueOffset : 48, Frames);
    }
    WriteAt(4, uint32_t(Length - 8));
}

void TWaveOut::FinishOutput() {
    if (!FStream) return;
    CompleteHeader();
    FStream->Flush();
}

} // namespace deraz
