#include "analysis/MPEGaudio.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace deraz {

namespace {

// Bytes searched for the first frame, and for an encoder signature at the end.
constexpr int32_t SearchBytes = 3458;
// An encoder signature: "LAME" and the version, as LAME writes it in 9 bytes ("LAME3.100").
constexpr int32_t VendorBytes = 9;
// The sync search needs this many bytes beyond each candidate position.
constexpr int32_t MinSearchBytes = 1729;

// kbit/s by version, layer and bitrate index.
constexpr uint16_t MPEG1Layer1[16] = {0,   32,  64,  96,  128, 160, 192, 224,
                                      256, 288, 320, 352, 384, 416, 448, 0};
constexpr uint16_t MPEG1Layer2[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
constexpr uint16_t MPEG1Layer3[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr uint16_t MPEG2Layer1[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0};
constexpr uint16_t MPEG2Layer23[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr uint16_t NoBitrates[16] = {};
constexpr const uint16_t* Bitrates[4][4] = {
    {NoBitrates, MPEG2Layer23, MPEG2Layer23, MPEG2Layer1}, // MPEG 2.5
    {NoBitrates, NoBitrates, NoBitrates, NoBitrates},      // reserved
    {NoBitrates, MPEG2Layer23, MPEG2Layer23, MPEG2Layer1}, // MPEG 2
    {NoBitrates, MPEG1Layer3, MPEG1Layer2, MPEG1Layer1},   // MPEG 1
};

// Hz by version and sample rate index.
constexpr uint16_t SampleRates[4][4] = {
    {11025, 12000, 8000, 0}, {0, 0, 0, 0}, {22050, 24000, 16000, 0}, {44100, 48000, 32000, 0}};

constexpr const char* VersionNames[4] = {"MPEG 2.5", "MPEG ?", "MPEG 2", "MPEG 1"};
constexpr const char* LayerNames[4] = {"Layer ?", "Layer III", "Layer II", "Layer I"};
constexpr const char* ChannelModeNames[5] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono", "Unknown"};
constexpr const char* EncoderNames[8] = {"Unknown", "Xing", "FhG",   "LAME",
                                         "Blade",   "GoGo", "Shine", "QDesign"};

constexpr uint8_t mvMPEG1 = 3;
constexpr uint8_t mlLayer1 = 3, mlLayer2 = 2;
constexpr uint8_t cmStereo = 0, cmDualChannel = 2, cmMono = 3;
constexpr uint8_t enXing = 1, enFhG = 2, enLAME = 3, enBlade = 4, enGoGo = 5, enShine = 6, enQDesign = 7;

bool IsFrameHeader(const uint8_t* B) {
    return B[0] == 0xFF && (B[1] & 0xE0) == 0xE0 && ((B[1] >> 3) & 3) != 1 && ((B[1] >> 1) & 3) != 0 &&
           (B[2] >> 4) != 15 && (B[2] >> 4) != 0 && ((B[2] >> 2) & 3) != 3 && (B[3] & 3) != 2;
}

MPEGFrameHeader DecodeHeader(const uint8_t* B) {
    MPEGFrameHeader H;
    std::copy(B, B + 4, H.Bytes.begin());
    H.VersionId = (B[1] >> 3) & 3;
    H.LayerId = (B[1] >> 1) & 3;
    H.Protected = (B[1] & 1) == 0;
    H.BitrateIndex = B[2] >> 4;
    H.SampleRateIndex = (B[2] >> 2) & 3;
    H.Padding = (B[2] >> 1) & 1;
    H.PrivateBit = B[2] & 1;
    H.ChannelMode = B[3] >> 6;
    H.ModeExtension = (B[3] >> 4) & 3;
    H.CopyrightBit = (B[3] >> 3) & 1;
    H.OriginalBit = (B[3] >> 2) & 1;
    H.Emphasis = B[3] & 3;
    return H;
}

int32_t CoefficientOf(const MPEGFrameHeader& H) {
    if (H.VersionId == mvMPEG1) return H.LayerId == mlLayer1 ? 48 : 144;
    if (H.LayerId == mlLayer1) return 24;
    return H.LayerId == mlLayer2 ? 144 : 72;
}

int32_t PaddingSizeOf(const MPEGFrameHeader& H) {
    if (!H.Padding) return 0;
    return H.LayerId == mlLayer1 ? 4 : 1;
}

uint16_t FrameLength(const MPEGFrameHeader& H) {
    double Rate = SampleRates[H.VersionId][H.SampleRateIndex];
    double Length =
        std::trunc(CoefficientOf(H) * Bitrates[H.VersionId][H.LayerId][H.BitrateIndex] * 1000.0 / Rate);
    return static_cast<uint16_t>(static_cast<int32_t>(Length) + PaddingSizeOf(H));
}

// Offset of a Xing or VBRI header from the frame's first byte.
int32_t VbrHeaderOffset(const MPEGFrameHeader& H) {
    bool Mono = H.ChannelMode == cmMono;
    if (H.VersionId == mvMPEG1) return Mono ? 21 : 36;
    return Mono ? 13 : 21;
}

// The encoder signature nearest to the end of the buffer, within the last Window + 8 bytes; a
// LAME signature with the byte that follows it when there is one.
std::string FindTailVendor(const uint8_t* Buffer, int32_t Window) {
    int32_t Steps = std::min(Window, SearchBytes - 8);
    for (int32_t I = 0; I <= Steps; ++I) {
        const char* At = reinterpret_cast<const char*>(Buffer) + SearchBytes - 8 - I;
        if (std::memcmp(At, "LAME", 4) == 0) return std::string(At, I > 0 ? VendorBytes : 8);
        if (std::memcmp(At, "GOGO", 4) == 0) return "GOGO";
    }
    return "";
}

bool StartsWith(const std::string& Text, const char* Prefix) {
    return Text.compare(0, 4, Prefix) == 0;
}

} // namespace

void TMPEGaudio::Clear() {
    FFileSize = 0;
    FTailVendor.clear();
    FVbr = VBRData{};
    FFirstFrame = MPEGFrameHeader{};
    FFirstFrame.VersionId = 1;
    FFirstFrame.SampleRateIndex = 3;
    FFirstFrame.ChannelMode = 4;
    FFirstFrame.ModeExtension = 4;
    FFirstFrame.Emphasis = 2;
    FId3v1.Clear();
    FId3v2.Clear();
    FApeTag.Clear();
}

void TMPEGaudio::FindVbrHeader(const uint8_t* Data) {
    FVbr = VBRData{};
    if (std::memcmp(Data, "Xing", 4) == 0) {
        FVbr.Found = true;
        FVbr.Id = "Xing";
        FVbr.FrameCount = static_cast<int32_t>(BigEndian32(Data + 8));
        FVbr.ByteCount = static_cast<int32_t>(BigEndian32(Data + 12));
        FVbr.Quality = Data[119];
        FVbr.Vendor.assign(reinterpret_cast<const char*>(Data) + 120, VendorBytes);
    }
    if (std::memcmp(Data, "VBRI", 4) == 0) {
        FVbr.Found = true;
        FVbr.Id = "VBRI";
        FVbr.Quality = Data[9];
        FVbr.ByteCount = static_cast<int32_t>(BigEndian32(Data + 10));
        FVbr.FrameCount = static_cast<int32_t>(BigEndian32(Data + 14));
    }
}

// Looks for a header whose successor, one frame length further, is a header too. Candidates stop
// MinSearchBytes before the end, which leaves room for the VBR header read after the frame.
void TMPEGaudio::FindFirstFrame(const uint8_t* Buffer, int32_t Length) {
    FFirstFrame = MPEGFrameHeader{};
    FVbr = VBRData{};
    if (Length < MinSearchBytes) return;
    for (int32_t P = 0; P <= Length - MinSearchBytes; ++P) {
        if (!IsFrameHeader(Buffer + P)) continue;
        MPEGFrameHeader Header = DecodeHeader(Buffer + P);
        uint16_t Frame = FrameLength(Header);
        int32_t Next = P + Frame;
        if (Next + 4 > Length || !IsFrameHeader(Buffer + Next)) continue;
        Header.Found = true;
        Header.Position = P;
        Header.Length = Frame;
        Header.ZeroSideInfo = std::all_of(Buffer + P + 4, Buffer + P + 10, [](uint8_t B) { return B == 0; });
        FFirstFrame = Header;
        FindVbrHeader(Buffer + P + VbrHeaderOffset(Header));
        return;
    }
}

bool TMPEGaudio::LoadFile(const std::string& FileName) {
    Clear();
    if (!FId3v2.LoadFile(FileName) || !FId3v1.LoadFile(FileName) || !FApeTag.LoadFile(FileName)) return false;
    bool Result = ReadAudio(FileName);
    if (!FFirstFrame.Found) Clear();
    return Result;
}

bool TMPEGaudio::ReadAudio(const std::string& FileName) {
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        FFileSize = Stream.Size();
        uint8_t Buffer[SearchBytes] = {};
        Stream.Seek(FId3v2.Size());
        int32_t Got = Stream.Read(Buffer, SearchBytes);
        FindFirstFrame(Buffer, SearchBytes);
        if (!FFirstFrame.Found && Got == SearchBytes) {
            std::fill(Buffer, Buffer + SearchBytes, 0);
            Stream.Seek((FFileSize - FId3v2.Size()) / 2);
            Stream.Read(Buffer, SearchBytes);
            FindFirstFrame(Buffer, SearchBytes);
        }
        if (FFirstFrame.Found && !FVbr.Found) {
            int64_t TailStart = FFileSize - SearchBytes - (FId3v1.Exists() ? 128 : 0);
            if (Stream.Seek(TailStart) < 0 || Stream.Read(Buffer, SearchBytes) != SearchBytes) return false;
            FTailVendor = FindTailVendor(Buffer, static_cast<uint16_t>(5 * FFirstFrame.Length));
        }
        return true;
    } catch (const EFileError&) {
        return false;
    }
}

uint16_t TMPEGaudio::TableBitrate() const {
    return Bitrates[FFirstFrame.VersionId][FFirstFrame.LayerId][FFirstFrame.BitrateIndex];
}

int32_t TMPEGaudio::Coefficient() const {
    return CoefficientOf(FFirstFrame);
}

int32_t TMPEGaudio::PaddingSize() const {
    return PaddingSizeOf(FFirstFrame);
}

int64_t TMPEGaudio::AudioSize() const {
    return FFileSize - FId3v2.Size() - (FId3v1.Exists() ? 128 : 0) - FFirstFrame.Position;
}

std::string TMPEGaudio::VersionText() const {
    return VersionNames[FFirstFrame.VersionId & 3];
}

std::string TMPEGaudio::LayerText() const {
    return LayerNames[FFirstFrame.LayerId & 3];
}

std::string TMPEGaudio::ChannelModeText() const {
    return ChannelModeNames[std::min<uint8_t>(FFirstFrame.ChannelMode, 4)];
}

uint16_t TMPEGaudio::Bitrate() const {
    if (FVbr.Found && FVbr.FrameCount > 0)
        return RoundToWord((double(FVbr.ByteCount) / FVbr.FrameCount - PaddingSize()) * SampleRate() /
                           Coefficient() / 1000.0);
    return TableBitrate();
}

uint16_t TMPEGaudio::SampleRate() const {
    return SampleRates[FFirstFrame.VersionId][FFirstFrame.SampleRateIndex];
}

int32_t TMPEGaudio::FrameCount() const {
    if (FVbr.Found) return FVbr.FrameCount;
    if (FFirstFrame.Length == 0) return 0;
    return static_cast<int32_t>(AudioSize() / FFirstFrame.Length);
}

double TMPEGaudio::Duration() const {
    if (!FFirstFrame.Found) return 0.0;
    // The product is taken in 64 bits so that very long files keep their length.
    if (FVbr.Found && FrameCount() > 0)
        return double(int64_t(Coefficient()) * FrameCount() * 8) / SampleRate();
    return double(AudioSize()) / TableBitrate() / 1000.0 * 8.0;
}

bool TMPEGaudio::IsValid() const {
    uint16_t Rate = Bitrate();
    return FFirstFrame.Found && Rate >= 8 && Rate <= 448 && Duration() >= 0.1;
}

uint8_t TMPEGaudio::VbrEncoderId() const {
    bool Gogo = StartsWith(FVbr.Vendor, "GOGO") || StartsWith(FVbr.Vendor, "MPGE");
    bool Lame = StartsWith(FVbr.Vendor, "LAME");
    uint8_t Id = Gogo ? enGoGo : Lame ? enLAME : 0;
    if (FVbr.Id == "Xing" && !Gogo && !Lame) Id = enXing;
    if (FVbr.Id == "VBRI") Id = enFhG;
    return Id;
}

uint8_t TMPEGaudio::CbrEncoderId() const {
    const MPEGFrameHeader& F = FFirstFrame;
    uint8_t Id = F.OriginalBit && F.Protected ? enLAME : enFhG;
    if (TableBitrate() <= 160 && F.ChannelMode == cmStereo) Id = enBlade;
    if (F.CopyrightBit && F.OriginalBit && !F.Protected) Id = enXing;
    if (F.ZeroSideInfo && F.OriginalBit) Id = enXing;
    if (F.LayerId == mlLayer2) Id = enQDesign;
    if (F.ChannelMode == cmDualChannel && F.Protected) Id = enShine;
    if (StartsWith(FTailVendor, "LAME")) Id = enLAME;
    if (StartsWith(FTailVendor, "GOGO")) Id = enGoGo;
    return Id;
}

uint8_t TMPEGaudio::EncoderId() const {
    if (!FFirstFrame.Found) return 0;
    return FVbr.Found ? VbrEncoderId() : CbrEncoderId();
}

std::string TMPEGaudio::EncoderText() const {
    uint8_t Id = EncoderId();
    std::string Name = EncoderNames[Id];
    if (Id != enLAME) return Name;
    // The version is a digit, a point and two or three digits: "LAME3.100", "LAME3.99r".
    const std::string& Signature = FTailVendor.empty() ? FVbr.Vendor : FTailVendor;
    auto Digit = [&](size_t I) {
        return I < Signature.size() && std::isdigit(static_cast<unsigned char>(Signature[I])) != 0;
    };
    if (Digit(4) && Signature[5] == '.' && Digit(6) && Digit(7))
        return Name + " " + Signature.substr(4, Digit(8) ? 5 : 4);
    return Name;
}

} // namespace deraz
