#include "cli/Info.h"

#include <cstdio>

namespace deraz {

int PrintMediaInfo(const std::vector<std::string>& /*Files*/) {
    std::fputs("deraz-convert: --info is not available in this build\n", stderr);
    return 2;
}

} // namespace deraz
