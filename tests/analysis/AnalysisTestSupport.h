// Helpers of the reader tests: files made by the peer tools, what ffprobe says of them, and
// byte strings for hand-built headers.
#pragma once

#include "tests/support/TestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace deraz::test {

// What ffprobe reports of a file's first audio stream and of the whole file.
struct TProbe {
    double Duration = 0; // seconds
    int SampleRate = 0;  // Hz
    int Channels = 0;
    int64_t StreamBitRate = 0; // bit/s, 0 when not given
    int64_t FormatBitRate = 0; // bit/s over the whole file
};
TProbe Probe(const std::string& FileName);

// A music-like WAV file made by sox of the given length and layout.
std::string MakeWav(const TTempDir& Dir, const std::string& Name, double Seconds, int SampleRate,
                    int Channels, int Bits = 16);

// Runs a shell command; raises std::runtime_error with its output when it does not succeed.
void RunTool(const std::string& Command);

// Byte strings for building headers by hand.
using TBytes = std::vector<uint8_t>;
void Append(TBytes& Out, const std::string& Text);
void AppendLE32(TBytes& Out, uint32_t Value);
void AppendLE16(TBytes& Out, uint16_t Value);
void AppendBE32(TBytes& Out, uint32_t Value);
void AppendZeros(TBytes& Out, size_t Count);

} // namespace deraz::test
