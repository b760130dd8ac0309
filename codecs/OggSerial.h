// The serial number of an Ogg stream whose serial is left to us: a hash of the output's file name
// and of what comes first from the input, so the same conversion writes the same file, while
// streams of other files, joined into one chain, keep serials of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace deraz {

inline uint32_t Fnv1a(uint32_t Hash, const uint8_t* Bytes, size_t Count) {
    for (size_t I = 0; I < Count; ++I) Hash = (Hash ^ Bytes[I]) * 16777619u;
    return Hash;
}

inline int32_t DerivedSerial(const std::string& FileName, const uint8_t* First, size_t Bytes) {
    std::string Name = std::filesystem::path(FileName).filename().string();
    // A temporary output name (".deraz-1234-0.part") tells nothing of the final one and differs
    // from run to run, so it counts as no name: the same conversion still writes the same bytes.
    if (Name.ends_with(".part")) Name.clear();
    uint32_t Hash = Fnv1a(2166136261u, reinterpret_cast<const uint8_t*>(Name.data()), Name.size());
    Hash = Fnv1a(Hash, First, Bytes);
    return int32_t(Hash != 0 ? Hash : 1);
}

} // namespace deraz
