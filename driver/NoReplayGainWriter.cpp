// ReplayGain tags in a build without TagLib: every write is refused, so the conversion says that
// its output has no gain instead of claiming one.
#include <stdexcept>

#include "driver/ReplayGainTags.h"

namespace deraz {

void WriteGainFields(const std::string& FileName, const std::string&, const TGainFields&) {
    throw std::runtime_error("Cannot write the ReplayGain tags of " + FileName +
                             ": this build cannot write tags.");
}

} // namespace deraz
