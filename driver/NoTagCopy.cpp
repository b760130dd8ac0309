// Tag copying in a build without TagLib: every attempt is refused, so that a conversion asked to
// carry tags fails instead of silently writing an output without them.
#include <stdexcept>

#include "driver/TagCopy.h"

namespace deraz {

void RequireTagCopy() {
    throw std::runtime_error("Copying tags is not available in this build.");
}

bool TagCopyAvailable() {
    return false;
}

void WriteTags(const std::string&, const std::string&, const TTagSet&, TTagWrite) {
    RequireTagCopy();
}

void CopyTags(const std::string&, const std::string&, const std::string&) {
    RequireTagCopy();
}

} // namespace deraz
