#include "analysis/OggVorbis.h"

#include "analysis/ID3v2.h"
#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

bool IsPacket(const uint8_t* Bytes, uint8_t Type) {
    return Bytes[0] == Type && std::memcmp(Bytes + 1, "vorbis", 6) == 0;
}

// Fields of a page header.
constexpr int32_t PageFixedBytes = 27;
constexpr uint8_t BeginningOfStream = 0x02;

int64_t GranulePosition(const uint8_t* Page) {
    return int64_t(LittleEndian64(Page + 6));
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

    uint8_t Last[PageFixedBytes];
    int64_t LastPage = FindLastPage(Stream, Last);
    if (LastPage < 0) return true;
    FSamples = GranulePosition(Last);
    if (FSamples < 0) return true;
    FCountedSeconds = FSampleRate > 0 ? double(FSamples) / FSampleRate : 0;
    MeasureChain(Stream, LastPage);
    return true;
}

// Reads the vendor string (item 0), the count N and the items 1 to N; the reading also ends
// where the file does, whatever the count says.
void TOggVorbis::ReadComments(TTntFileStream& Stream) {
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
            TakeComment(std::string_view(Text).substr(0, Equals), std::string_view(Text).substr(Equals + 1));
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
}

int64_t TOggVorbis::FindLastPage(TTntFileStream& Stream, uint8_t* Header) const {
    int64_t First = std::max<int64_t>(0, FFileSize - LastPageFarthest);
    std::vector<uint8_t> Tail(size_t(FFileSize - First));
    Stream.Seek(First);
    Tail.resize(size_t(Stream.Read(Tail.data(), static_cast<int32_t>(Tail.size()))));
    for (int64_t At = FFileSize - LastPageNearest - First; At >= 0; --At) {
        if (At + 10 > int64_t(Tail.size()) || std::memcmp(Tail.data() + At, "OggS", 4) != 0) continue;
        size_t Present = std::min<size_t>(PageFixedBytes, Tail.size() - size_t(At));
        std::fill_n(std::copy_n(Tail.begin() + At, Present, Header), PageFixedBytes - Present, 0);
        return First + At;
    }
    return -1;
}

// A chained file holds one stream after another, each beginning with a page so flagged that
// carries its identification header, and counting its granule positions from 0 at its own rate.
void TOggVorbis::MeasureChain(TTntFileStream& Stream, int64_t LastPage) {
    int64_t Frames = 0;
    double Seconds = 0;
    int64_t LinkFrames = 0;
    int32_t LinkRate = 0;
    auto EndLink = [&] {
        Frames = LinkFrames > INT64_MAX - Frames ? INT64_MAX : Frames + LinkFrames;
        if (LinkRate > 0) Seconds += double(LinkFrames) / LinkRate;
    };
    uint8_t Header[PageFixedBytes], Lacing[255];
    int64_t At = FId3v2Size;
    while (At + PageFixedBytes <= FFileSize) {
        Stream.Seek(At);
        if (Stream.Read(Header, PageFixedBytes) != PageFixedBytes || std::memcmp(Header, "OggS", 4) != 0)
            break;
        int32_t Segments = Header[26];
        if (Stream.Read(Lacing, Segments) != Segments) break;
        if (Header[5] & BeginningOfStream) {
            EndLink();
            LinkFrames = 0;
            uint8_t Id[IdentificationBytes] = {};
            Stream.Read(Id, IdentificationBytes);
            LinkRate = IsPacket(Id, 1) ? static_cast<int32_t>(LittleEndian32(Id + 12)) : 0;
        }
        // Pages where no packet ends carry -1; other negative positions are damage.
        if (int64_t Granule = GranulePosition(Header); Granule >= 0) LinkFrames = Granule;
        At += PageFixedBytes + Segments;
        for (int32_t I = 0; I < Segments; ++I) At += Lacing[I];
    }
    // A walk that a damaged page ended early leaves the last page's count.
    if (At <= LastPage) return;
    EndLink();
    FSamples = Frames;
    FCountedSeconds = Seconds;
}

double TOggVorbis::Duration() const {
    if (FCountedSeconds >= 0) return FCountedSeconds;
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
    return FChannels >= 1 && FChannels <= 8 && FSampleRate > 0 && Duration() > 0.1 &&
           static_cast<uint16_t>(Bitrate()) != 0;
}

} // namespace deraz
