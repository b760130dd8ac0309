// Shared by the fuzz targets: the input as a file, and a source read to its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace deraz {
class TACSFileIn;
}

namespace deraz::fuzz {

// Writes the fuzzer's bytes to a scratch file of this process (the components read files by
// name) and returns its name; Extension includes the dot.
std::string WriteInput(const uint8_t* Data, size_t Size, const char* Extension);

// Opens Source on FileName and, when it is valid, reads it to the end, as a sink would. A clean
// error (an exception) is an acceptable outcome; a crash, hang or leak is not.
void ReadToEnd(TACSFileIn& Source, const std::string& FileName);

} // namespace deraz::fuzz
