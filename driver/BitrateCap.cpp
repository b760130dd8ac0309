#include "driver/BitrateCap.h"

#include "analysis/MPEGaudio.h"
#include "analysis/OggVorbis.h"
#include "driver/FileNames.h"

namespace deraz {

namespace {

constexpr int32_t VorbisRates[] = {64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 500};
constexpr int32_t MP3Rates[] = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                                96, 112, 128, 144, 160, 192, 224, 256, 320};

} // namespace

std::span<const int32_t> LevelBitrates(int32_t DestExt) {
    switch (DestExt) {
    case 0:
        return VorbisRates;
    case 1:
        return MP3Rates;
    default:
        return {};
    }
}

int32_t LossyInputBitrate(const std::string& InputName) {
    std::string Ext = LowerCase(ExtractFileExt(InputName));
    if (Ext == ".mp3") {
        TMPEGaudio Reader;
        return Reader.LoadFile(InputName) && Reader.IsValid() ? Reader.Bitrate() : 0;
    }
    if (Ext == ".ogg") {
        TOggVorbis Reader;
        if (!Reader.LoadFile(InputName) || !Reader.IsValid()) return 0;
        return Reader.NominalBitrate() > 0 ? Reader.NominalBitrate() : Reader.Bitrate();
    }
    return 0;
}

TOutputChoice CapToInputBitrate(TOutputChoice Choice, int32_t InputKbps) {
    auto Rates = LevelBitrates(Choice.DestExt);
    if (InputKbps <= 0 || Choice.Bitrate < 0 || size_t(Choice.Bitrate) >= Rates.size()) return Choice;
    for (int32_t Entry = 0; Entry < Choice.Bitrate; ++Entry) {
        if (Rates[size_t(Entry)] >= InputKbps) {
            Choice.Bitrate = Entry;
            break;
        }
    }
    return Choice;
}

} // namespace deraz
