// A fingerprint of a file's audio bytes: the file read at disk speed, never decoded, without the
// blocks that hold its tags, so that editing the tags leaves it as it was and any change to the
// audio changes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace deraz {

// The fingerprint of FileName; none when the file cannot be read.
std::optional<uint64_t> AudioHash(const std::string& FileName);

} // namespace deraz
