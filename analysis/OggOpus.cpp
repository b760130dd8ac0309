#include "analysis/OggOpus.h"

#include "analysis/TextUtils.h"
#include "analysis/TntFileStream.h"
#include "platform/ByteOrder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace deraz {

namespace {

constexpr int32_t PageFixedBytes = 27;
constexpr uint8_t BeginningOfStream = 0x02;
constexpr size_t HeadBytes = 19;
// The comment packet is kept up to this many bytes; a picture beyond it is not needed here.
constexpr size_t KeptCommentBytes = 1 << 20;
// Comment values are kept up to this many bytes, as the Ogg Vorbis reader keeps them.
constexpr size_t CommentBytes = 250;

// Reads a 32-bit length at At of Packet; false when the packet ends first.
bool ReadLength(std::string_view Packet, size_t& At, uint32_t& Length) {
    if (Packet.size() - At < 4) return false;
    Length = LittleEndian32(reinterpret_cast<const uint8_t*>(Packet.data() + At));
    At += 4;
    return true;
}

} // namespace

bool TOggOpus::LoadFile(const std::string& FileName) {
    Clear();
    TTntFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    FFileSize = Stream.Size();
    ReadPages(Stream);
    return FChannels != 0;
}

void TOggOpus::ReadPages(TTntFileStream& Stream) {
    // The first two packets (identification and comments), gathered across pages.
    std::string Packets[2];
    size_t Packet = 0;
    int64_t Total = 0, LinkPreSkip = 0, LinkGranule = -1;
    bool AnyGranule = false;
    auto EndLink = [&] {
        if (LinkGranule < 0) return;
        const int64_t Frames = std::max<int64_t>(0, LinkGranule - LinkPreSkip);
        Total = Frames > INT64_MAX - Total ? INT64_MAX : Total + Frames;
        AnyGranule = true;
    };
    uint8_t Header[PageFixedBytes], Lacing[255];
    std::vector<uint8_t> Body;
    int64_t At = 0;
    for (bool First = true; At + PageFixedBytes <= FFileSize; First = false) {
        Stream.Seek(At);
        if (Stream.Read(Header, PageFixedBytes) != PageFixedBytes || std::memcmp(Header, "OggS", 4) != 0)
            break;
        const int32_t Segments = Header[26];
        if (Stream.Read(Lacing, Segments) != Segments) break;
        int64_t BodyBytes = 0;
        for (int32_t I = 0; I < Segments; ++I) BodyBytes += Lacing[I];
        const bool Begins = (Header[5] & BeginningOfStream) != 0;
        if (First && !Begins) return;
        if (Begins) {
            EndLink();
            LinkGranule = -1;
            uint8_t Head[HeadBytes] = {};
            const int64_t HeadAt = Stream.Position();
            Stream.Read(Head, int32_t(HeadBytes));
            Stream.Seek(HeadAt);
            LinkPreSkip = std::memcmp(Head, "OpusHead", 8) == 0 ? LittleEndian16(Head + 10) : 0;
        }
        if (Packet < 2) {
            Body.resize(size_t(BodyBytes));
            Body.resize(size_t(Stream.Read(Body.data(), int32_t(BodyBytes))));
            size_t Offset = 0;
            for (int32_t I = 0; I < Segments && Packet < 2 && Offset < Body.size(); ++I) {
                const size_t Take = std::min<size_t>(Lacing[I], Body.size() - Offset);
                if (Packets[Packet].size() < KeptCommentBytes)
                    Packets[Packet].append(reinterpret_cast<const char*>(Body.data() + Offset), Take);
                Offset += Lacing[I];
                // A segment shorter than 255 bytes ends its packet.
                if (Lacing[I] < 255) ++Packet;
            }
            if (Packet == 1 && Packets[1].empty()) ReadHead(Packets[0]);
            if (FChannels == 0 && Packet >= 1) return;
        }
        // Pages where no packet ends carry -1; other negative positions are damage.
        if (int64_t Granule = int64_t(LittleEndian64(Header + 6)); Granule >= 0) LinkGranule = Granule;
        At += PageFixedBytes + Segments + BodyBytes;
    }
    if (Packet >= 2) ReadTags(Packets[1]);
    EndLink();
    if (AnyGranule) FSamples = Total;
}

void TOggOpus::ReadHead(const std::string& Packet) {
    if (Packet.size() < HeadBytes || Packet.compare(0, 8, "OpusHead") != 0) return;
    const auto* Bytes = reinterpret_cast<const uint8_t*>(Packet.data());
    // Version 0 and any minor version up to 15 read alike.
    if (Bytes[8] > 15) return;
    FChannels = Bytes[9];
    FInputSampleRate = int32_t(std::min<uint32_t>(LittleEndian32(Bytes + 12), INT32_MAX));
    FOutputGain = int16_t(LittleEndian16(Bytes + 16)) / 256.0;
}

// The vendor string, the count N and N comments; the reading also ends where the packet does.
void TOggOpus::ReadTags(const std::string& Packet) {
    if (Packet.compare(0, 8, "OpusTags") != 0) return;
    std::string_view Data = Packet;
    size_t At = 8;
    uint32_t Length = 0, Count = 0;
    if (!ReadLength(Data, At, Length) || Length > Data.size() - At) return;
    FVendor = TrimControls(DecodeUtf8Prefix(Data.substr(At, std::min<size_t>(Length, CommentBytes))));
    At += Length;
    if (!ReadLength(Data, At, Count)) return;
    for (uint32_t Item = 0; Item < Count && ReadLength(Data, At, Length) && Length <= Data.size() - At;
         ++Item) {
        std::string_view Text = Data.substr(At, Length);
        At += Length;
        const size_t Equals = Text.find('=');
        if (Equals == std::string_view::npos) continue;
        TakeComment(Text.substr(0, Equals), Text.substr(Equals + 1, CommentBytes));
    }
}

double TOggOpus::Duration() const {
    return FSamples > 0 ? double(FSamples) / DecodedRate : 0.0;
}

int32_t TOggOpus::Bitrate() const {
    const double Seconds = Duration();
    return Seconds > 0 ? RoundToInt(double(FFileSize) / Seconds / 125.0) : 0;
}

bool TOggOpus::IsValid() const {
    return FChannels >= 1 && Duration() > 0 && Bitrate() > 0;
}

} // namespace deraz
