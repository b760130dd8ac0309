#include "codecs/mp3/Mp3Tags.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"

namespace deraz {

TAudioRange FindAudio(TFileStream& File) {
    TAudioRange Range{0, File.Size()};
    uint8_t Head[10];
    File.Seek(0);
    if (File.ReadExact(Head, sizeof Head) && std::memcmp(Head, "ID3", 3) == 0) {
        Range.Start = std::min(Range.End, ID3v2TagBytes(Head));
        Range.Tagged = true;
    }
    if (Range.End - Range.Start >= 128) {
        File.Seek(Range.End - 128);
        if (File.ReadExact(Head, 3) && std::memcmp(Head, "TAG", 3) == 0) {
            Range.End -= 128;
            Range.Tagged = true;
        }
    }
    File.Seek(Range.Start);
    return Range;
}

bool HoldsOnlyTags(TFileStream& File) {
    TAudioRange Range = FindAudio(File);
    uint8_t Padding[4096];
    for (int64_t At = Range.Start; At < Range.End;) {
        int64_t Count = File.Read(Padding, std::min<int64_t>(sizeof Padding, Range.End - At));
        if (Count <= 0 || std::any_of(Padding, Padding + Count, [](uint8_t Byte) { return Byte != 0; }))
            return false;
        At += Count;
    }
    return Range.Tagged;
}

} // namespace deraz
