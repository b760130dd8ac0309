#include "driver/ReplayGainTags.h"

#include <cstdio>

#include "driver/FileNames.h"

namespace deraz {

namespace {

TGainFields PairFields(const char* Pair, const std::optional<TGainValues>& Values) {
    std::string Gain = std::string("REPLAYGAIN_") + Pair + "_GAIN";
    std::string Peak = std::string("REPLAYGAIN_") + Pair + "_PEAK";
    if (!Values) return {{Gain, ""}, {Peak, ""}};
    return {{Gain, GainText(Values->Gain)}, {Peak, PeakText(Values->Peak)}};
}

// Whether a tag form has a place for ReplayGain values.
bool FormHoldsGain(TTagForm Form) {
    switch (Form) {
    case tfID3v2:
    case tfOggComments:
    case tfFLACComments:
    case tfAPEv2:
    case tfOpusComments:
    case tfMP4Atoms:
    case tfWavPackAPEv2:
    case tfAIFFID3:
        return true;
    case tfRIFFInfo:
    case tfProbed:
        return false;
    }
    return false;
}

} // namespace

TGainFields TrackGainFields(const std::optional<TGainValues>& Track) {
    TGainFields Fields = PairFields("TRACK", Track);
    Fields.merge(PairFields("ALBUM", std::nullopt));
    return Fields;
}

TGainFields AlbumGainFields(const TGainValues& Album) {
    return PairFields("ALBUM", Album);
}

const TFormat* GainTagFormat(const std::string& Ext) {
    const TFormat* Format = FormatOfOutput(FindOutputFormat(Ext));
    return Format && FormHoldsGain(Format->TagForm) ? Format : nullptr;
}

bool HasGainTagForm(const std::string& Ext) {
    return GainTagFormat(Ext) != nullptr;
}

std::string GainText(double Gain) {
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.2f dB", Gain);
    return Text;
}

std::string PeakText(double Peak) {
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.6f", Peak);
    return Text;
}

} // namespace deraz
