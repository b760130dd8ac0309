// deraz-convert --info: what the media info window shows for each file.
#pragma once

#include <string>
#include <vector>

namespace deraz {

// Prints one "Name: value" line per field of each file; returns the exit status.
int PrintMediaInfo(const std::vector<std::string>& Files);

} // namespace deraz
