// Tag reading in a build without TagLib: no file has tags to show or carry; the ID3v1 reader of
// the analysis still serves the file information.
#include "analysis/TagReader.h"

namespace deraz {

TTagSet ReadTags(const std::string&) {
    return {};
}

} // namespace deraz
