#include "app/CodecSet.h"

namespace deraz {

TCodecSet::TCodecSet() : MP3In(std::make_unique<TMP3In>()), MP3Out(std::make_unique<TMP3Out>()) {
    FPipelines.AddSource(".mp3", MP3In.get());

    MP3Out->SetBitRate(br128);
    FPipelines.AddSink(".mp3", MP3Out.get(), scMP3Out, [this](const TOutputChoice& Choice) {
        if (auto Index = MP3BitRateIndex(Choice)) MP3Out->SetBitRate(TMP3BitRate(*Index));
    });
}

} // namespace deraz
