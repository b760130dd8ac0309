#include "codecs/TagStream.h"

#include <algorithm>
#include <vector>

namespace deraz {

namespace {

constexpr int64_t MoveChunk = 1 << 20;

} // namespace

TTagStream::TTagStream(const std::string& FileName, bool Writable) : FName(FileName), FWritable(Writable) {
    try {
        FStream = std::make_unique<TFileStream>(FileName, Writable ? TFileOpenMode::ReadWrite
                                                                   : TFileOpenMode::ReadOnly);
    } catch (const EFileError&) {
        FWritable = false;
    }
}

TTagStream::~TTagStream() = default;

TagLib::FileName TTagStream::name() const {
    return FName.c_str();
}

void TTagStream::Switch(TLast Next) {
    if (FLast != TLast::Seek && FLast != Next) FStream->Seek(FStream->Position());
    FLast = Next;
}

template <class TAction> void TTagStream::Guarded(TAction&& Action) {
    if (!FStream || !FWritable || !FError.empty()) return;
    try {
        Action();
    } catch (const EFileError& E) {
        FError = E.what();
    }
}

TagLib::ByteVector TTagStream::readBlock(unsigned long Length) {
    if (!FStream || Length == 0) return {};
    TagLib::ByteVector Block(static_cast<unsigned int>(Length), 0);
    try {
        Switch(TLast::Read);
        Block.resize(static_cast<unsigned int>(FStream->Read(Block.data(), int64_t(Length))));
    } catch (const EFileError&) {
        return {};
    }
    return Block;
}

void TTagStream::writeBlock(const TagLib::ByteVector& Data) {
    Guarded([&] {
        Switch(TLast::Write);
        FStream->Write(Data.data(), Data.size());
    });
}

void TTagStream::MoveTail(int64_t From, int64_t To) {
    if (From == To) return; // a block rewritten in place
    const int64_t End = FStream->Size();
    std::vector<char> Buffer(size_t(std::min(MoveChunk, std::max<int64_t>(End - From, 1))));
    auto Move = [&](int64_t At, int64_t Count) {
        FStream->Seek(At);
        FLast = TLast::Read;
        if (!FStream->ReadExact(Buffer.data(), Count))
            throw EFileError("Cannot read " + FName + ": it ended early.");
        FStream->Seek(At + To - From);
        FLast = TLast::Write;
        FStream->Write(Buffer.data(), Count);
    };
    if (To > From) {
        // Growing: from the end backwards, so that nothing is overwritten before it has moved.
        for (int64_t At = End; At > From;) {
            const int64_t Count = std::min(MoveChunk, At - From);
            At -= Count;
            Move(At, Count);
        }
    } else if (To < From) {
        for (int64_t At = From; At < End; At += MoveChunk) Move(At, std::min(MoveChunk, End - At));
        FStream->Truncate(End - (From - To));
    }
}

void TTagStream::insert(const TagLib::ByteVector& Data, unsigned long Start, unsigned long Replace) {
    Guarded([&] {
        const int64_t First = int64_t(Start);
        MoveTail(First + int64_t(Replace), First + int64_t(Data.size()));
        FStream->Seek(First);
        FLast = TLast::Write;
        FStream->Write(Data.data(), Data.size());
    });
}

void TTagStream::removeBlock(unsigned long Start, unsigned long Length) {
    Guarded([&] { MoveTail(int64_t(Start) + int64_t(Length), int64_t(Start)); });
}

void TTagStream::seek(long Offset, Position Origin) {
    if (!FStream) return;
    int64_t Base = Origin == Beginning ? 0 : Origin == Current ? FStream->Position() : FStream->Size();
    try {
        FStream->Seek(std::max<int64_t>(Base + Offset, 0));
        FLast = TLast::Seek;
    } catch (const EFileError&) {
        // TagLib checks where it is by tell(); a failed seek leaves the position unchanged.
    }
}

long TTagStream::tell() const {
    return FStream ? long(FStream->Position()) : 0;
}

long TTagStream::length() {
    return FStream ? long(FStream->Size()) : 0;
}

void TTagStream::truncate(long Length) {
    Guarded([&] { FStream->Truncate(Length); });
}

void TTagStream::Finish() {
    Guarded([&] { FStream->Flush(); });
    if (!FError.empty()) throw EFileError(FError);
}

} // namespace deraz
