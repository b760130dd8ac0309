// Positions in a stream as people read them, for messages about damaged files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace deraz {

// "0:05.333": minutes, seconds and milliseconds of Frames sample frames at SampleRate.
inline std::string PlayingTime(int64_t Frames, int32_t SampleRate) {
    if (SampleRate <= 0 || Frames < 0) return "0:00.000";
    const int64_t Milliseconds = Frames * 1000 / SampleRate;
    char Text[32];
    std::snprintf(Text, sizeof Text, "%lld:%02lld.%03lld", static_cast<long long>(Milliseconds / 60000),
                  static_cast<long long>(Milliseconds / 1000 % 60),
                  static_cast<long long>(Milliseconds % 1000));
    return Text;
}

// "5.333": seconds with three decimals.
inline std::string Seconds(int64_t Frames, int32_t SampleRate) {
    if (SampleRate <= 0 || Frames < 0) return "0.000";
    const int64_t Milliseconds = Frames * 1000 / SampleRate;
    char Text[32];
    std::snprintf(Text, sizeof Text, "%lld.%03lld", static_cast<long long>(Milliseconds / 1000),
                  static_cast<long long>(Milliseconds % 1000));
    return Text;
}

} // namespace deraz
