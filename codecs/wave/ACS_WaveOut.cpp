#include "codecs/wave/ACS_Wave.h"

#include <algorithm>
#include <climits>
#include <string>

#include "codecs/wave/WavHeaderWriter.h"

namespace deraz {

namespace {

constexpr int32_t PcmBufferSize = 16384;
constexpr int64_t ImaHeaderSize = 60;
// The largest RIFF size a 32-bit field holds.
constexpr int64_t MaxRiffSize = 0xFFFFFFFF;
// Inputs larger than this get room for RF64 sizes: beyond 4 GiB they are needed, and sizes up to
// here are ones a source can state exactly.
constexpr int64_t LargestPlainInput = INT32_MAX;

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
    bool Usable = (H.WavType == wtPCM && (!H.Rf64 || H.Ds64Offset >= 0)) ||
                  (H.WavType == wtDVIADPCM && !H.Rf64 && ima::BlockLayoutValid(H.BlockAlign, H.Channels));
    if (!Usable) throw EACSException("Cannot append data to this .wav file.");
    FWavType = H.WavType;
    if (FWavType == wtDVIADPCM) FBlockSize = H.BlockAlign;
    FAppending = true;
    FLayout = {H.DataOffset, H.DataSizeOffset, H.Ds64Offset, H.Rf64};
}

void TWaveOut::PreparePcm() {
    TACSInput* In = Input();
    int32_t Rate = In->SampleRate(), Bits = In->BitsPerSample();
    if (Bits % 8 != 0 || Bits < 8 || Bits > 32)
        throw EACSException("Cannot write " + std::to_string(Bits) + "-bit samples into WAV.");
    FFrameBytes = Bits / 8 * FChannels;
    if (FAppending) {
        const TWaveHeader& H = FAppendHeader;
        if (Rate != int32_t(H.SampleRate) || Bits != H.BitsPerSample || FChannels != H.Channels)
            throw EACSException("Cannot append data in different audio format.");
        FStream->Seek(0, SEEK_END);
    } else {
        int64_t Size = In->Size();
        bool Large = !FSizeKnown || Size > LargestPlainInput;
        FDeclaredData = Large ? 0 : Size;
        TPcmWaveHeader H = PcmWaveHeader(FChannels, Rate, Bits, uint32_t(FDeclaredData), Large);
        FStream->Write(H.Bytes.data(), int64_t(H.Bytes.size()));
        FLayout = {int64_t(H.Bytes.size()), H.DataSizeOffset, H.Ds64Offset, false};
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
        FInputFrames = FSizeKnown ? uint32_t(std::min<int64_t>(In->Size() / 2 / FChannels, UINT32_MAX)) : 0;
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
        FLayout = {ImaHeaderSize, ImaHeaderSize - 4, -1, false};
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
    WriteData(FPcmBuffer.data(), Count);
    return true;
}

void TWaveOut::WriteData(const uint8_t* Data, int32_t Count) {
    // Without room for "ds64", the 32-bit sizes must still count the whole file.
    if (FLayout.Ds64Offset < 0 && FStream->Position() + Count - 8 > MaxRiffSize)
        throw EACSException("The WAV file would pass 4 GiB, more than its header can count.");
    FStream->Write(Data, Count);
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
    WriteData(FBlockData.data(), FBlockSize);
    return true;
}

void TWaveOut::WriteAt(int64_t Offset, uint32_t Value) {
    uint8_t Field[4];
    PutLittleEndian32(Field, Value);
    FStream->Seek(Offset);
    FStream->Write(Field, 4);
}

void TWaveOut::CompleteHeader() {
    int64_t Length = FStream->Size();
    int64_t DataSize = Length - FLayout.DataOffset;
    if (FWavType == wtDVIADPCM) {
        // IMA ADPCM sizes are always counted from what was written: the encoder may write more or
        // fewer blocks than the input's Size foretold (a stop, an input that ends early or late).
        WriteAt(FLayout.DataSizeOffset, uint32_t(DataSize));
        uint32_t Frames = uint32_t(SamplesPerBlock()) * uint32_t(DataSize / FBlockSize);
        if (FSizeKnown && !FAppending) Frames = uint32_t(std::min<int64_t>(FInputFrames, FFramesRead));
        WriteAt(FAppending ? FAppendHeader.FactValueOffset : 48, Frames);
        WriteAt(4, uint32_t(Length - 8));
        return;
    }
    // A known size stays as Prepare wrote it, unless more data came than it said.
    if (FSizeKnown && FFileMode != foAppend && FLayout.Ds64Offset < 0 && DataSize <= FDeclaredData) return;
    if (FLayout.Rf64 || Length - 8 > MaxRiffSize) {
        WriteRf64Sizes(Length, DataSize);
        return;
    }
    WriteAt(FLayout.DataSizeOffset, uint32_t(DataSize));
    WriteAt(4, uint32_t(Length - 8));
}

void TWaveOut::WriteRf64Sizes(int64_t Length, int64_t DataSize) {
    std::vector<uint8_t> Chunk =
        Ds64Chunk(uint64_t(Length), uint64_t(DataSize), uint64_t(DataSize / FFrameBytes));
    // The 32-bit sizes defer to the "ds64" chunk.
    WriteAt(4, 0xFFFFFFFF);
    WriteAt(FLayout.DataSizeOffset, 0xFFFFFFFF);
    if (FLayout.Rf64) {
        // An RF64 or BW64 file keeps its "ds64" chunk's size and table: only the three sizes change.
        FStream->Seek(FLayout.Ds64Offset + 8);
        FStream->Write(Chunk.data() + 8, 24);
        return;
    }
    FStream->Seek(0);
    FStream->Write("RF64", 4);
    FStream->Seek(FLayout.Ds64Offset);
    FStream->Write(Chunk.data(), int64_t(Chunk.size()));
}

void TWaveOut::FinishOutput() {
    if (!FStream) return;
    CompleteHeader();
    FStream->Flush();
}

} // namespace deraz
