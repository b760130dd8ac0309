#include "app/CodecSet.h"

namespace deraz {

TCodecSet::TCodecSet()
    : MP3In(std::make_unique<TMP3In>()), VorbisIn(std::make_unique<TVorbisIn>()),
      MP3Out(std::make_unique<TMP3Out>()), VorbisOut(std::make_unique<TVorbisOut>()) {
    FPipelines.AddSource(".mp3", MP3In.get());
    FPipelines.AddSource(".ogg", VorbisIn.get());

    MP3Out->SetBitRate(br128);
    FPipelines.AddSink(".mp3", MP3Out.get(), scMP3Out, [this](const TOutputChoice& Choice) {
        if (auto Index = MP3BitRateIndex(Choice)) MP3Out->SetBitRate(TMP3BitRate(*Index));
    });

    // Quality mode, with the quality of the stored choice set before each file.
    VorbisOut->SetCompression(0.5f);
    FPipelines.AddSink(".ogg", VorbisOut.get(), scVorbisOut, [this](const TOutputChoice& Choice) {
        if (auto Compression = VorbisCompression(Choice)) VorbisOut->SetCompression(*Compression);
    });
}

} // namespace deraz
