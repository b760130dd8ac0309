#include <algorithm>
#include <limits>

#include "codecs/WholeBytePcm.h"
#include "codecs/aiff/ACS_Aiff.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

namespace {

constexpr int64_t StepFrames = 4096;
// "FORM" header, "COMM" chunk, "SSND" chunk header with its offset and block size.
constexpr int64_t HeaderBytes = 12 + 8 + 18 + 16;
// The most sample bytes the form's 32-bit size can hold.
constexpr int64_t MaxDataBytes = int64_t(std::numeric_limits<uint32_t>::max()) - HeaderBytes;

void PutBigEndian(uint8_t*& Out, uint32_t Value, int Bytes) {
    for (int B = Bytes - 1; B >= 0; --B) *Out++ = uint8_t(Value >> (8 * B));
}

} // namespace

TAiffOut::~TAiffOut() {
    TerminateWorker();
    CloseOutput();
}

void TAiffOut::Prepare() {
    OpenOutputStream();
    StartInput();
    TACSInput* Source = Input();
    const int32_t Bits = Source->BitsPerSample();
    FChannels = Source->Channels();
    FBytes = Bits / 8;
    RequireWholeBytePcm(*Source, "AIFF");
    if (Source->SampleRate() <= 0) throw EACSException("The input has no sample rate.");
    FSampleRate = uint32_t(Source->SampleRate());
    FDataBytes = 0;
    FBuffer.resize(size_t(StepFrames) * FChannels * FBytes);
    WriteHeader(0);
}

void TAiffOut::WriteHeader(uint32_t Frames) {
    const uint32_t DataBytes = uint32_t(FDataBytes);
    uint8_t Header[HeaderBytes];
    uint8_t* Out = Header;
    auto Id = [&](const char* Text) {
        for (int I = 0; I < 4; ++I) *Out++ = uint8_t(Text[I]);
    };
    Id("FORM");
    PutBigEndian(Out, uint32_t(HeaderBytes - 8 + DataBytes + (DataBytes & 1)), 4);
    Id("AIFF");
    Id("COMM");
    PutBigEndian(Out, 18, 4);
    PutBigEndian(Out, uint32_t(FChannels), 2);
    PutBigEndian(Out, Frames, 4);
    PutBigEndian(Out, uint32_t(FBytes * 8), 2);
    for (uint8_t Byte : ExtendedFromInteger(FSampleRate)) *Out++ = Byte;
    Id("SSND");
    PutBigEndian(Out, 8 + DataBytes, 4);
    PutBigEndian(Out, 0, 4);
    PutBigEndian(Out, 0, 4);
    FStream->Seek(0);
    FStream->Write(Header, HeaderBytes);
}

bool TAiffOut::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    const int32_t FrameBytes = FBytes * FChannels;
    const int32_t Filled =
        FillFromInput(FBuffer.data(), int32_t(FBuffer.size()),
                      [this](uint8_t* Into, int32_t Count) { return ReadInput(Into, Count); });
    const int32_t Bytes = Filled / FrameBytes * FrameBytes;
    if (Bytes == 0) return false;
    if (FDataBytes + Bytes > MaxDataBytes) throw EACSException("AIFF holds at most 4 GiB of audio.");
    // The pipeline's little-endian samples (8-bit unsigned) become big-endian signed ones.
    uint8_t* Data = FBuffer.data();
    for (int32_t I = 0; I < Bytes; I += FBytes) {
        if (FBytes == 1)
            Data[I] ^= 0x80;
        else
            std::reverse(Data + I, Data + I + FBytes);
    }
    FStream->Write(Data, Bytes);
    FDataBytes += Bytes;
    return Filled == int32_t(FBuffer.size());
}

void TAiffOut::FinishOutput() {
    if (!FStream) return;
    if (FDataBytes & 1) {
        const uint8_t Pad = 0;
        FStream->Write(&Pad, 1);
    }
    WriteHeader(uint32_t(FDataBytes / (FBytes * FChannels)));
    FStream->Flush();
}

} // namespace deraz
