// TWaveConverter (unit ACS_Wave): turns the compressed audio of a WAV file into PCM through the
// Audio Compression Manager, in one pass and entirely in memory.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Acm.h"
#include "platform/FileStream.h"

namespace deraz {

class TWaveConverter {
public:
    static constexpr size_t FormatBufferCapacity = 129;

    TWaveConverter();

    // Takes the format and the data chunk of the WAV file in Source, read from its current
    // position with the walk the WAV source makes. A stream without a RIFF WAVE header loads nothing.
    void LoadWave(TFileStream& Source);
    // Converts the contents from SourceFormat to TargetFormat; 0 on success, otherwise the
    // first non-zero result of the Audio Compression Manager.
    int32_t ConvertData();
    // Appends the contents as a PCM WAV file to Dest; 0 on success.
    int32_t SaveWave(std::vector<uint8_t>& Dest) const;

    // The format of the contents, and the format to convert to.
    WAVEFORMATEX* SourceFormat() { return reinterpret_cast<WAVEFORMATEX*>(FSourceFormat.data()); }
    WAVEFORMATEX* TargetFormat() { return reinterpret_cast<WAVEFORMATEX*>(FTargetFormat.data()); }
    const std::vector<uint8_t>& Contents() const { return FContents; }

    // The whole sequence the WAV reader runs for a compressed file: load File from its start, ask
    // for a PCM format, convert, and return the PCM WAV file; nothing when any step fails.
    static std::optional<std::vector<uint8_t>> ToPcmWave(TFileStream& File);

private:
    std::array<uint8_t, FormatBufferCapacity> FSourceFormat{};
    std::array<uint8_t, FormatBufferCapacity> FTargetFormat{};
    uint32_t FFormatBufferSize = 0;
    std::vector<uint8_t> FContents;
};

} // namespace deraz
