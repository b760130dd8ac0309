#include "driver/BitrateCap.h"

#include "analysis/MPEGaudio.h"
#include "analysis/OggVorbis.h"
#include "driver/FileNames.h"

namespace deraz {

std::span<const int32_t> LevelBitrates(int32_t DestExt) {
    const TOutputFormat* Entry = OutputEntry(DestExt);
    return Entry ? Entry->LevelKbps : std::span<const int32_t>();
}

int32_t LossyInputBitrate(const std::string& InputName) {
    const TFormat* Format = FindInputFormat(ExtractFileExt(InputName));
    if (Format && Format->Analyser == mkMPEG) {
        TMPEGaudio Reader;
        return Reader.LoadFile(InputName) && Reader.IsValid() ? Reader.Bitrate() : 0;
    }
    if (Format && Format->Analyser == mkOggVorbis) {
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
