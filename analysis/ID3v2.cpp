#include "analysis/ID3v2.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"
#include "platform/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace deraz {

namespace {

// Frame IDs of the slots: versions 2.3 and 2.4, then version 2.2.
constexpr const char* FrameIds[16][2] = {{"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TRCK", "TRK"},
                                         {"TYER", "TYE"}, {"TCON", "TCO"}, {"COMM", "COM"}, {"TCOM", "TCM"},
                                         {"TENC", "TEN"}, {"TCOP", "TCR"}, {"TLAN", "TLA"}, {"WXXX", "WXX"},
                                         {"TDRC", "TOR"}, {"TOPE", "TOA"}, {"TIT1", "TT1"}, {"TOAL", "TOT"}};

enum TSlot {
    slTitle,
    slArtist,
    slAlbum,
    slTrack,
    slYear,
    slGenre,
    slComment,
    slComposer,
    slEncoder,
    slCopyright,
    slLanguage,
    slLink,
    slRecordingTime,
    slOriginalArtist,
    slContentGroup,
    slOriginalAlbum
};

// Frame data is kept up to this many bytes, zero-filled.
constexpr size_t FrameDataBytes = 500;

// Text of a slot: encoding 1 is UTF-16 taken little-endian (a byte-order mark and any character
// whose low byte is 0xFF dropped); anything else is Latin-1. Blanks and controls are trimmed.
std::string DecodeText(const std::string& Data) {
    if (Data.empty() || Data[0] != 1) return Latin1ToUtf8(TrimControls(Data));
    std::string Out;
    for (size_t I = 1; I + 1 < Data.size(); I += 2) {
        uint32_t Unit = static_cast<uint8_t>(Data[I]) | static_cast<uint8_t>(Data[I + 1]) << 8;
        if (Unit == 0) break;
        if ((Unit & 0xFF) == 0xFF) continue;
        if (Unit >= 0xD800 && Unit <= 0xDBFF && I + 3 < Data.size()) {
            uint32_t Low = static_cast<uint8_t>(Data[I + 2]) | static_cast<uint8_t>(Data[I + 3]) << 8;
            if (Low >= 0xDC00 && Low <= 0xDFFF) {
                AppendUtf8(Out, 0x10000 + ((Unit - 0xD800) << 10) + (Low - 0xDC00));
                I += 2;
                continue;
            }
        }
        AppendUtf8(Out, Unit);
    }
    return TrimControls(Out);
}

// Text of a comment or link frame: the Skip leading bytes and the description up to its
// terminator removed, the encoding byte kept. A UTF-16 terminator is a whole zero character, so it
// is looked for at even offsets only.
std::string DecodeDescribedText(const std::string& Data, size_t Skip) {
    if (Data.empty()) return "";
    char Encoding = Data[0];
    std::string Rest = Data.substr(std::min(Skip, Data.size()));
    size_t Step = Encoding == 1 ? 2 : 1;
    size_t End = 0;
    while (End + Step <= Rest.size() && Rest.compare(End, Step, std::string(Step, '\0')) != 0) End += Step;
    Rest = End + Step <= Rest.size() ? Rest.substr(End + Step) : "";
    return DecodeText(Encoding + Rest);
}

} // namespace

int32_t ID3v2TagSize(const uint8_t* Header, int64_t FileSize) {
    if (std::memcmp(Header, "ID3", 3) != 0) return 0;
    const int64_t Size = ID3v2TagBytes(Header, 0xFF);
    return FileSize < Size ? 0 : static_cast<int32_t>(Size);
}

bool TID3v2::LoadFile(const std::string& FileName) {
    Clear();
    uint8_t Header[10];
    int64_t FileSize = 0;
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        if (Stream.Read(Header, 10) != 10) return false;
        FileSize = Stream.Size();
    } catch (const EFileError&) {
        return false;
    }
    if (std::memcmp(Header, "ID3", 3) != 0) return true;
    FExists = true;
    FVersionId = Header[3];
    FSize = ID3v2TagSize(Header, FileSize);
    if (FVersionId < 2 || FVersionId > 4 || FSize == 0) return true;
    TSlots Slots;
    ReadFrames(FileName, Slots);
    MapFields(Slots);
    return true;
}

void TID3v2::ReadFrames(const std::string& FileName, TSlots& Slots) const {
    const bool Version2 = FVersionId == 2;
    const int32_t HeaderBytes = Version2 ? 6 : 10;
    const size_t IdBytes = Version2 ? 3 : 4;
    try {
        TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        const int64_t FileSize = Stream.Size();
        Stream.Seek(10);
        while (Stream.Position() < FSize && Stream.Position() < FileSize) {
            uint8_t Frame[10];
            if (Stream.Read(Frame, HeaderBytes) != HeaderBytes) break;
            if (Frame[0] < 'A' || Frame[0] > 'Z') break;
            // Sizes are plain big-endian numbers, taken unsigned so that the scan only moves forward.
            uint32_t Size = Version2 ? BigEndian24(Frame + 3) : BigEndian32(Frame + 4);
            int64_t Next = Stream.Position() + Size;
            std::string Data(FrameDataBytes, '\0');
            Stream.Read(Data.data(), static_cast<int32_t>(std::min<uint32_t>(Size, FrameDataBytes)));
            bool Compressed = !Version2 && (Frame[9] & 0x80);
            std::string_view Id(reinterpret_cast<const char*>(Frame), IdBytes);
            if (!Compressed && (Data[0] == 0 || Data[0] == 1)) {
                for (int Slot = 0; Slot < SlotCount; ++Slot)
                    if (Id == FrameIds[Slot][Version2 ? 1 : 0]) Slots[Slot] = Data;
            }
            Stream.Seek(Next);
        }
    } catch (const EFileError&) {
        // A read error ends the scan; the slots filled so far stay.
    }
}

void TID3v2::MapFields(const TSlots& Slots) {
    auto TextOr = [&](TSlot Slot, TSlot Fallback) {
        std::string Text = DecodeText(Slots[Slot]);
        return Text.empty() ? DecodeText(Slots[Fallback]) : Text;
    };
    FTitle = TextOr(slTitle, slContentGroup);
    FArtist = TextOr(slArtist, slOriginalArtist);
    FAlbum = TextOr(slAlbum, slOriginalAlbum);
    FTrackText = DecodeText(Slots[slTrack]);
    FTrack = TrackNumber(FTrackText);
    FYear = DecodeText(Slots[slYear]);
    if (FYear.empty()) FYear = DecodeText(Slots[slRecordingTime]).substr(0, 4);
    FGenre = DecodeText(Slots[slGenre]);
    size_t Paren = FGenre.rfind(')');
    if (Paren != std::string::npos) FGenre.erase(0, Paren + 1);
    FComment = DecodeDescribedText(Slots[slComment], 4);
    FLink = DecodeDescribedText(Slots[slLink], 1);
    FComposer = DecodeText(Slots[slComposer]);
    FEncoder = DecodeText(Slots[slEncoder]);
    FCopyrightText = DecodeText(Slots[slCopyright]);
    FLanguage = DecodeText(Slots[slLanguage]);
}

} // namespace deraz
