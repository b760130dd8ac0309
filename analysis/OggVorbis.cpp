#include "analysis/OggVorbis.h"

#include "analysis/ID3v2.h"
#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace deraz {

namespace {

// A page header with the largest segment table.
constexpr int32_t PageHeaderBytes = 282;
constexpr int32_t IdentificationBytes = 30;
// Comments are kept up to this many bytes.
constexpr uint32_t CommentBytes = 250;
// The last page is looked for among the page starts from 10 to 12060 bytes before the end.
constexpr int64_t LastPageNearest = 10;
constexpr int64_t LastPageFarthest = 12060;

enum TCommentSlot {
    csTitle,
    csArtist,
    csAlbum,
    csTrack,
    csDate,
    csGenre,
    csComment,
    csPerformer,
    csDescription
};
constexpr int CommentSlotCount = 9;
constexpr const char* CommentKeys[CommentSlotCount] = {"TITLE", "ARTIST",  "ALBUM",     "TRACKNUMBER", "DATE",
                                                       "GENRE", "COMMENT", "PERFORMER", "DESCRIPTION"};

bool IsPacket(const uint8_t* Bytes, uint8_t Type) {
    return Bytes[0] == Type && std::memcmp(Bytes + 1, "vorbis", 6) == 0;
}

} // namespace

bool TOggVorbis::LoadFile(const std::string& FileName) {
    Clear();
    TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    FFileSize = Stream.Size();
    uint8_t Page[PageHeaderBytes] = {};
    Stream.Read(Page, 10);
    FId3v2Size = ID3v2TagSize(Page, FFileSize);

    std::fill(Page, Page + PageHeaderBytes, 0);
    Stream.Seek(FId3v2Size);
    Stream.Read(Page, PageHeaderBytes);
    if (std::memcmp(Page, "OggS", 4) != 0) return false;
    uint8_t Id[IdentificationBytes] = {};
    Stream.Seek(FId3v2Size + 27 + Page[26]);
    Stream.Read(Id, IdentificationBytes);
    if (!IsPacket(Id, 1)) return false;
    FChannels = Id[11];
    FSampleRate = static_cast<int32_t>(LittleEndian32(Id + 12));
    FNominalBitrate = RoundToWord(static_cast<int32_t>(LittleEndian32(Id + 20)) / 1000.0);

    int64_t SecondPage = Stream.Position();
    std::fill(Page, Page + PageHeaderBytes, 0);
    Stream.Read(Page, PageHeaderBytes);
    Stream.Seek(SecondPage + 27 + Page[26]);
    uint8_t CommentHeader[7] = {};
    Stream.Read(CommentHeader, 7);
    if (IsPacket(CommentHeader, 3)) ReadComments(Stream);

    FSamples = LastGranulePosition(Stream);
    return true;
}

// Reads the vendor string (item 0), the count N and the items 1 to N; the reading also ends
// where the file does, whatever the count says.
void TOggVorbis::ReadComments(TTntFileStream& Stream) {
    std::array<std::string, CommentSlotCount> Slots;
    uint32_t Count = 0;
    for (uint32_t Item = 0;; ++Item) {
        uint8_t Length[4];
        if (Stream.Read(Length, 4) != 4) break;
        uint32_t Bytes = LittleEndian32(Length);
        int64_t Start = Stream.Position();
        std::string Text(CommentBytes, '\0');
        Stream.Read(Text.data(), static_cast<int32_t>(std::min(Bytes, CommentBytes)));
        Text = TrimControls(Text);
        size_t Equals = Text.find('=');
        if (Equals != std::string::npos) {
            std::string Name = UpperCase(std::string_view(Text).substr(0, Equals));
            for (int Slot = 0; Slot < CommentSlotCount; ++Slot)
                if (Name == CommentKeys[Slot])
                    Slots[Slot] = TrimControls(DecodeUtf8Prefix(std::string_view(Text).substr(Equals + 1)));
        } else if (FVendor.empty()) {
            FVendor = Text;
        }
        Stream.Seek(Start + Bytes);
        if (Item == 0) {
            uint8_t CountBytes[4];
            if (Stream.Read(CountBytes, 4) != 4) break;
            Count = LittleEndian32(CountBytes);
        }
        if (Item == Count) break;
    }
    auto Either = [&](TCommentSlot Slot, TCommentSlot Fallback) {
        return Slots[Slot].empty() ? Slots[Fallback] : Slots[Slot];
    };
    FTitle = Slots[csTitle];
    FArtist = Either(csArtist, csPerformer);
    FAlbum = Slots[csAlbum];
    FTrack = TrackNumber(Slots[csTrack]);
    FDate = Slots[csDate];
    FGenre = Slots[csGenre];
    FComment = Either(csComment, csDescription);
}

// The granule position of the page that starts nearest to the end of the file, 0 when none
// starts in the searched range.
int32_t TOggVorbis::LastGranulePosition(TTntFileStream& Stream) const {
    int64_t First = std::max<int64_t>(0, FFileSize - LastPageFarthest);
    std::vector<uint8_t> Tail(size_t(FFileSize - First));
    Stream.Seek(First);
    Tail.resize(size_t(Stream.Read(Tail.data(), static_cast<int32_t>(Tail.size()))));
    for (int64_t At = FFileSize - LastPageNearest - First; At >= 0; --At) {
        if (At + 10 > int64_t(Tail.size())) continue;
        if (std::memcmp(Tail.data() + At, "OggS", 4) == 0)
            return static_cast<int32_t>(LittleEndian32(Tail.data() + At + 6));
    }
    return 0;
}

double TOggVorbis::Duration() const {
    if (FSamples > 0) return FSampleRate > 0 ? double(FSamples) / FSampleRate : 0.0;
    // Without a sample count: the audio bytes over the nominal byte rate, whatever the channels.
    if (FNominalBitrate != 0 && FChannels != 0)
        return double(FFileSize - FId3v2Size) / (FNominalBitrate * 125.0);
    return 0.0;
}

int32_t TOggVorbis::Bitrate() const {
    double Seconds = Duration();
    if (Seconds <= 0) return 0;
    return RoundToInt(double(FFileSize - FId3v2Size) / Seconds / 125.0);
}

bool TOggVorbis::IsValid() const {
    return (FChannels == 1 || FChannels == 2) && FSampleRate > 0 && Duration() > 0.1 &&
           static_cast<uint16_t>(Bitrate()) != 0;
}

} // namespace deraz
