#include "cli/Info.h"

#include "analysis/MediaInfo.h"

#include <iostream>

namespace deraz {

int PrintMediaInfo(const std::vector<std::string>& Files) {
    return RunMediaInfo(Files, std::cout);
}

} // namespace deraz
