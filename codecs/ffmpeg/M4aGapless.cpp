#include "codecs/ffmpeg/M4aGapless.h"

#include <cstdio>

#include <taglib/mp4file.h>

#include "codecs/TagStream.h"

namespace deraz {

std::string GaplessComment(int64_t Priming, int64_t Padding, int64_t Length) {
    char Text[160];
    std::snprintf(Text, sizeof Text, " 00000000 %08X %08X %016llX", unsigned(Priming), unsigned(Padding),
                  (unsigned long long)Length);
    std::string Comment = Text;
    for (int Field = 0; Field < 8; ++Field) Comment += " 00000000";
    return Comment;
}

bool WriteGaplessComment(const std::string& FileName, const std::string& Comment) {
    TTagStream Stream(FileName, true);
    TagLib::MP4::File File(&Stream, false);
    if (!File.isValid() || !File.tag()) return false;
    File.tag()->setItem("----:com.apple.iTunes:iTunSMPB",
                        TagLib::MP4::Item(TagLib::StringList(TagLib::String(Comment, TagLib::String::UTF8))));
    if (!File.save()) return false;
    try {
        Stream.Finish();
    } catch (const EFileError&) {
        return false;
    }
    return true;
}

} // namespace deraz
