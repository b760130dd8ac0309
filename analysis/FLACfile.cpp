#include "analysis/FLACfile.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace deraz {

const char* const FlacKnownKeys[FlacKnownKeyCount] = {
    "TRACKNUMBER", "ARTIST",    "ALBUM",        "TITLE",       "DATE",     "GENRE",   "COMMENT",
    "COMPOSER",    "LANGUAGE",  "COPYRIGHT",    "URL",         "ENCODER",  "TONES",   "STYLES",
    "MOOD",        "SITUATION", "RATING",       "QUALITY",     "TEMPO",    "TYPE",    "LYRICS",
    "PERFORMER",   "LICENSE",   "ORGANIZATION", "DESCRIPTION", "LOCATION", "CONTACT", "ISRC"};

namespace {

enum TBlockType { btPadding = 1, btVorbisComment = 4, btPicture = 6 };

// Reads a 32-bit little-endian length and that many bytes; false when the file ends first, so a
// length from a damaged file never reads or allocates past the end.
bool ReadCountedText(TTntFileStream& Stream, int64_t FileSize, std::string& Text) {
    uint8_t Length[4];
    if (Stream.Read(Length, 4) != 4) return false;
    uint32_t Bytes = LittleEndian32(Length);
    if (Bytes > FileSize - Stream.Position() || Bytes > INT32_MAX) return false;
    Text.assign(Bytes, '\0');
    return Stream.Read(Text.data(), static_cast<int32_t>(Bytes)) == static_cast<int32_t>(Bytes);
}

} // namespace

void TFLACfile::Clear(bool TechnicalData, bool TagData) {
    if (TechnicalData) {
        FHeader.fill(0);
        FFileName.clear();
        FPaddingIndex = 0;
        FPaddingLast = false;
        FExtraPadding = false;
        FVorbisIndex = 0;
        FPaddingSize = 0;
        FVorbisOffset = 0;
        FAudioOffset = 0;
        FChannels = 0;
        FSampleRate = 0;
        FBitsPerSample = 0;
        FBitrate = 0;
        FFileSize = 0;
        FSamples = 0;
        FMetaBlocks.clear();
    }
    if (TagData) {
        FVendor.clear();
        FVorbisSize = 0;
        FTagExists = false;
        for (auto& Field : FKnownFields) Field.clear();
        FExtraFields.clear();
    }
}

void TFLACfile::LoadFile(const std::string& FileName) {
    Clear(false, true);
    Clear(true, false);
    FId3v2.LoadFile(FileName);
    TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    FFileSize = Stream.Size();
    FFileName = FileName;
    if (FId3v2.Exists()) Stream.Seek(FId3v2.Size());
    Stream.Read(FHeader.data(), static_cast<int32_t>(FHeader.size()));
    if (std::memcmp(FHeader.data(), "fLaC", 4) == 0) {
        FChannels = static_cast<uint8_t>(((FHeader[20] >> 1) & 7) + 1);
        FSampleRate = FHeader[18] << 12 | FHeader[19] << 4 | FHeader[20] >> 4;
        FBitsPerSample = static_cast<uint8_t>(((FHeader[20] & 1) << 4 | FHeader[21] >> 4) + 1);
        FSamples = BigEndian32(FHeader.data() + 22);
        if (!(FHeader[4] & 0x80)) ReadMetaBlocks(Stream);
    }
    if (IsValid()) {
        FAudioOffset = Stream.Position();
        FBitrate = RoundToInt(double(FFileSize - FAudioOffset) / 1000.0 * 8.0 / Duration());
    }
}

void TFLACfile::ReadMetaBlocks(TTntFileStream& Stream) {
    for (int32_t Ordinal = 1;; ++Ordinal) {
        std::array<uint8_t, 4> Block{};
        Stream.Read(Block.data(), 4);
        uint32_t Size = BigEndian24(Block.data() + 1);
        int Type = Block[0] & 0x7F;
        bool Last = (Block[0] & 0x80) != 0;
        if (Size == 0) return;
        int64_t DataStart = Stream.Position();
        if (Type == btVorbisComment) {
            FVorbisOffset = DataStart;
            FVorbisSize = static_cast<int32_t>(Size);
            FVorbisIndex = Ordinal;
            ReadComments(Stream);
            Stream.Seek(DataStart + Size);
        } else if (Type == btPadding && FPaddingIndex == 0) {
            FPaddingSize = static_cast<int32_t>(Size);
            FPaddingLast = Last;
            FPaddingIndex = Ordinal;
            Stream.Seek(DataStart + Size);
        } else if (Type > btPicture) {
            // A block type this reader does not know: the file is not taken as valid.
            FSamples = 0;
            return;
        } else {
            if (Type == btPadding) FExtraPadding = true;
            TMetaDataBlock Copy;
            Copy.Header = Block;
            // The copy holds what the file has, never more than the block claims.
            Copy.Data.resize(size_t(std::clamp<int64_t>(FFileSize - DataStart, 0, Size)));
            Stream.Read(Copy.Data.data(), static_cast<int32_t>(Copy.Data.size()));
            Stream.Seek(DataStart + Size);
            FMetaBlocks.push_back(std::move(Copy));
        }
        if (Last) return;
    }
}

// Reads the vendor string and the comments. A length that runs past the end of the file ends
// the reading; the comments read before it stay.
void TFLACfile::ReadComments(TTntFileStream& Stream) {
    if (!ReadCountedText(Stream, FFileSize, FVendor)) return;
    uint8_t CountBytes[4];
    if (Stream.Read(CountBytes, 4) != 4) return;
    uint32_t Count = LittleEndian32(CountBytes);
    FTagExists = Count > 0;
    std::string Text;
    for (uint32_t I = 0; I < Count && ReadCountedText(Stream, FFileSize, Text); ++I) AddComment(Text);
}

void TFLACfile::AddComment(const std::string& Text) {
    size_t Equals = Text.find('=');
    if (Equals == std::string::npos) return;
    std::string Name = UpperCase(std::string_view(Text).substr(0, Equals));
    std::string Value = DecodeUtf8Prefix(std::string_view(Text).substr(Equals + 1));
    for (int I = 0; I < FlacKnownKeyCount; ++I) {
        if (Name == FlacKnownKeys[I] && FKnownFields[I].empty()) {
            FKnownFields[I] = std::move(Value);
            return;
        }
    }
    FExtraFields.emplace_back(std::move(Name), std::move(Value));
}

const std::string& TFLACfile::KnownField(std::string_view Key) const {
    static const std::string Empty;
    for (int I = 0; I < FlacKnownKeyCount; ++I)
        if (Key == FlacKnownKeys[I]) return FKnownFields[I];
    return Empty;
}

bool TFLACfile::IsValid() const {
    return std::memcmp(FHeader.data(), "fLaC", 4) == 0 && FChannels != 0 && FSampleRate > 0 &&
           FBitsPerSample != 0 && FSamples > 0;
}

double TFLACfile::Duration() const {
    return IsValid() ? double(FSamples) / FSampleRate : 0.0;
}

double TFLACfile::CompressionRatio() const {
    if (!IsValid()) return 0.0;
    return double(FFileSize) / (double(FSamples) * FChannels * FBitsPerSample / 8.0) * 100.0;
}

std::string TFLACfile::ChannelModeText() const {
    if (!IsValid()) return "";
    if (FChannels == 1) return "Mono";
    return FChannels == 2 ? "Stereo" : "Multi Channel";
}

} // namespace deraz
