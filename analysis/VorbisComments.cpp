#include "analysis/VorbisComments.h"

#include "analysis/TextUtils.h"

namespace deraz {

int32_t TVorbisComments::Track() const {
    return TrackNumber(FSlots[csTrack]);
}

void TVorbisComments::TakeComment(std::string_view Name, std::string_view Value) {
    const std::string Upper = UpperCase(Name);
    for (size_t Slot = 0; Slot < FSlots.size(); ++Slot)
        if (Upper == Names[Slot]) FSlots[Slot] = TrimControls(DecodeUtf8Prefix(Value));
}

} // namespace deraz
