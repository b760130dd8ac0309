#include "driver/AudioHash.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/FileStream.h"

namespace deraz {

namespace {

// A 64-bit hash fed in pieces: words of 8 bytes mixed with two odd constants, tails byte by byte,
// and a final avalanche so that every input bit reaches every output bit.
class THash64 {
public:
    void Add(const uint8_t* Data, size_t Size) {
        FLength += Size;
        for (; Size > 0 && FPending > 0; --Size) Byte(*Data++);
        for (; Size >= 8; Size -= 8, Data += 8) {
            uint64_t Word;
            std::memcpy(&Word, Data, 8);
            Mix(Word);
        }
        for (; Size > 0; --Size) Byte(*Data++);
    }
    uint64_t Value() const {
        uint64_t H = FState ^ FLength;
        if (FPending > 0) H = Mixed(H, FTail);
        H ^= H >> 33;
        H *= 0xFF51AFD7ED558CCDull;
        H ^= H >> 33;
        H *= 0xC4CEB9FE1A85EC53ull;
        return H ^ (H >> 33);
    }

private:
    static uint64_t Mixed(uint64_t State, uint64_t Word) {
        State ^= Word * 0x9E3779B97F4A7C15ull;
        State = (State << 31) | (State >> 33);
        return State * 0xC2B2AE3D27D4EB4Full;
    }
    void Mix(uint64_t Word) { FState = Mixed(FState, Word); }
    void Byte(uint8_t Value) {
        FTail |= uint64_t(Value) << (8 * FPending);
        if (++FPending == 8) {
            Mix(FTail);
            FTail = 0;
            FPending = 0;
        }
    }

    uint64_t FState = 0x27D4EB2F165667C5ull;
    uint64_t FLength = 0;
    uint64_t FTail = 0;
    int FPending = 0;
};

// A file read by position, for walking its blocks.
class TReader {
public:
    explicit TReader(const std::string& FileName) : FFile(FileName, TFileOpenMode::ReadOnly) {}
    uint64_t Size() const { return uint64_t(FFile.Size()); }

    // Size bytes at Offset into Buffer; false when the file holds fewer.
    bool Read(uint64_t Offset, void* Buffer, size_t Size) {
        if (Offset + Size > this->Size()) return false;
        FFile.Seek(int64_t(Offset));
        return FFile.ReadExact(Buffer, int64_t(Size));
    }
    // Feeds bytes [Begin, End) to Hash; false when the file holds fewer.
    bool HashRange(THash64& Hash, uint64_t Begin, uint64_t End) {
        if (End > Size() || Begin > End) return false;
        FFile.Seek(int64_t(Begin));
        std::vector<uint8_t> Buffer(size_t(std::min<uint64_t>(End - Begin, 1 << 20)));
        while (Begin < End) {
            size_t Want = size_t(std::min<uint64_t>(Buffer.size(), End - Begin));
            if (!FFile.ReadExact(Buffer.data(), int64_t(Want))) return false;
            Hash.Add(Buffer.data(), Want);
            Begin += Want;
        }
        return true;
    }

private:
    TFileStream FFile;
};

uint32_t BigEndian(const uint8_t* P, int Bytes) {
    uint32_t Value = 0;
    for (int I = 0; I < Bytes; ++I) Value = (Value << 8) | P[I];
    return Value;
}
uint32_t LittleEndian32(const uint8_t* P) {
    return P[0] | P[1] << 8 | P[2] << 16 | uint32_t(P[3]) << 24;
}

// The part of the file between a leading ID3v2 tag and trailing APEv2 and ID3v1 tags.
std::pair<uint64_t, uint64_t> WithoutTagBlocks(TReader& File) {
    uint64_t Begin = 0, End = File.Size();
    uint8_t Head[10];
    if (File.Read(0, Head, 10) && std::memcmp(Head, "ID3", 3) == 0) {
        uint64_t Size =
            (Head[6] & 0x7F) << 21 | (Head[7] & 0x7F) << 14 | (Head[8] & 0x7F) << 7 | (Head[9] & 0x7F);
        Begin = std::min(End, 10 + Size + ((Head[5] & 0x10) ? 10 : 0));
    }
    for (bool Found = true; Found;) {
        Found = false;
        uint8_t Tail[32];
        if (End >= Begin + 128 && File.Read(End - 128, Tail, 3) && std::memcmp(Tail, "TAG", 3) == 0) {
            End -= 128;
            Found = true;
        }
        if (End >= Begin + 32 && File.Read(End - 32, Tail, 32) && std::memcmp(Tail, "APETAGEX", 8) == 0) {
            uint64_t Size = LittleEndian32(Tail + 12) + ((Tail[23] & 0x80) ? 32 : 0);
            if (Size <= End - Begin) {
                End -= Size;
                Found = true;
            }
        }
    }
    return {Begin, End};
}

// FLAC: every metadata block but comments, pictures and padding, then the frames.
bool HashFlac(TReader& File, THash64& Hash, uint64_t Offset, uint64_t End) {
    Offset += 4;
    for (bool Last = false; !Last;) {
        uint8_t Header[4];
        if (!File.Read(Offset, Header, 4)) return false;
        Last = Header[0] & 0x80;
        int Type = Header[0] & 0x7F;
        uint64_t Next = Offset + 4 + BigEndian(Header + 1, 3);
        if (Next > End) return false;
        if (Type != 1 && Type != 4 && Type != 6 && !File.HashRange(Hash, Offset, Next)) return false;
        Offset = Next;
    }
    return File.HashRange(Hash, Offset, End);
}

// Ogg: the bodies of the first page and of every page from the first one that ends an audio
// packet; the pages between hold the comment header, and page numbers and checksums change when
// it grows, so no page header is hashed.
bool HashOgg(TReader& File, THash64& Hash, uint64_t End) {
    bool Audio = false;
    for (uint64_t Offset = 0, Page = 0; Offset < End; ++Page) {
        uint8_t Header[27 + 255];
        if (!File.Read(Offset, Header, 27) || std::memcmp(Header, "OggS", 4) != 0) return false;
        int Segments = Header[26];
        if (!File.Read(Offset + 27, Header + 27, size_t(Segments))) return false;
        uint64_t Body = 0;
        for (int I = 0; I < Segments; ++I) Body += Header[27 + I];
        int64_t Granule = 0;
        for (int I = 7; I >= 0; --I) Granule = (Granule << 8) | Header[6 + I];
        Audio = Audio || (Granule != 0 && Granule != -1);
        uint64_t BodyAt = Offset + 27 + uint64_t(Segments);
        if ((Page == 0 || Audio) && !File.HashRange(Hash, BodyAt, BodyAt + Body)) return false;
        Offset = BodyAt + Body;
    }
    return true;
}

// The chunk forms: RIFF's little-endian sizes of the body, AIFF's big-endian ones, and MPEG-4's
// big-endian sizes that count the atom's own header (1: a 64-bit size follows).
enum class TChunkForm { Riff, Aiff, Mp4 };

// Only the chunks that hold the audio and its format; false when none is found or the walk fails.
bool HashChunks(TReader& File, THash64& Hash, TChunkForm Form, uint64_t Offset, uint64_t End,
                std::initializer_list<const char*> Wanted) {
    bool Any = false;
    while (Offset + 8 <= End) {
        uint8_t Header[16];
        if (!File.Read(Offset, Header, 8)) return false;
        uint64_t Body = Offset + 8;
        uint64_t Size = Form == TChunkForm::Riff   ? LittleEndian32(Header + 4)
                        : Form == TChunkForm::Aiff ? BigEndian(Header + 4, 4)
                                                   : BigEndian(Header, 4);
        if (Form == TChunkForm::Mp4) {
            if (Size == 1) {
                if (!File.Read(Offset + 8, Header + 8, 8)) return false;
                Size = uint64_t(BigEndian(Header + 8, 4)) << 32 | BigEndian(Header + 12, 4);
                Body += 8;
            } else if (Size == 0) {
                Size = End - Offset; // the atom runs to the end of the file
            }
            if (Size < Body - Offset) return false;
            Size -= Body - Offset;
        }
        uint64_t Next = std::min(End, Body + Size);
        for (const char* Id : Wanted)
            if (std::memcmp(Header + (Form == TChunkForm::Mp4 ? 4 : 0), Id, 4) == 0) {
                if (!File.HashRange(Hash, Body, Next)) return false;
                Any = true;
            }
        Offset = Next + (Form != TChunkForm::Mp4 ? (Size & 1) : 0);
    }
    return Any;
}

std::optional<uint64_t> HashOf(TReader& File) {
    auto [Begin, End] = WithoutTagBlocks(File);
    THash64 Hash;
    uint8_t Magic[12] = {};
    File.Read(Begin, Magic, size_t(std::min<uint64_t>(12, End - Begin)));
    bool Done;
    if (std::memcmp(Magic, "fLaC", 4) == 0)
        Done = HashFlac(File, Hash, Begin, End);
    else if (std::memcmp(Magic, "OggS", 4) == 0)
        Done = HashOgg(File, Hash, End);
    else if (std::memcmp(Magic, "RIFF", 4) == 0 || std::memcmp(Magic, "RF64", 4) == 0)
        Done = HashChunks(File, Hash, TChunkForm::Riff, 12, End, {"fmt ", "data"});
    else if (std::memcmp(Magic, "FORM", 4) == 0)
        Done = HashChunks(File, Hash, TChunkForm::Aiff, 12, End, {"COMM", "SSND"});
    else if (std::memcmp(Magic + 4, "ftyp", 4) == 0)
        Done = HashChunks(File, Hash, TChunkForm::Mp4, 0, End, {"mdat"});
    else
        Done = File.HashRange(Hash, Begin, End);
    // A file whose blocks do not walk is hashed whole: still a fingerprint, only tag edits show.
    if (!Done) {
        Hash = THash64();
        if (!File.HashRange(Hash, 0, File.Size())) return std::nullopt;
    }
    return Hash.Value();
}

} // namespace

std::optional<uint64_t> AudioHash(const std::string& FileName) {
    try {
        TReader File(FileName);
        return HashOf(File);
    } catch (const EFileError&) {
        return std::nullopt;
    }
}

} // namespace deraz
