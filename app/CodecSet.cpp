#include "app/CodecSet.h"

namespace deraz {

TCodecSet::TCodecSet()
    : MP3In(std::make_unique<TMP3In>()), FlacIn(std::make_unique<TFLACIn>()),
      MACIn(std::make_unique<TMACIn>()), MP3Out(std::make_unique<TMP3Out>()),
      FLACOut(std::make_unique<TFLACOut>()), MACOut(std::make_unique<TMACOut>()) {
    FPipelines.AddSource(".mp3", MP3In.get());
    FPipelines.AddSource(".fla", FlacIn.get());
    FPipelines.AddSource(".flac", FlacIn.get());
    FPipelines.AddSource(".ape", MACIn.get());

    MP3Out->SetBitRate(br128);
    FPipelines.AddSink(".mp3", MP3Out.get(), scMP3Out, [this](const TOutputChoice& Choice) {
        if (auto Index = MP3BitRateIndex(Choice)) MP3Out->SetBitRate(TMP3BitRate(*Index));
    });

    // The FLAC encoder keeps these settings for every file.
    FLACOut->SetBestModelSearch(false);
    FLACOut->SetBlockSize(4608);
    FLACOut->SetEnableLooseMidSideStereo(false);
    FLACOut->SetEnableMidSideStereo(true);
    FLACOut->SetMaxLPCOrder(0);
    FLACOut->SetMaxResidualPartitionOrder(0);
    FLACOut->SetMinResidualPartitionOrder(0);
    FLACOut->SetQLPCoeffPrecision(0);
    FLACOut->SetQLPCoeffPrecisionSearch(false);
    FLACOut->SetVerify(false);
    FPipelines.AddSink(".fla", FLACOut.get(), scFLACOut);
    FPipelines.AddSink(".flac", FLACOut.get(), scFLACOut);

    // Through the setter, so that the levels 5000 and 6000 of the list arrive as 2000.
    FPipelines.AddSink(".ape", MACOut.get(), scMACOut, [this](const TOutputChoice& Choice) {
        if (auto Level = MACCompressionLevel(Choice)) MACOut->SetCompressionLevel(*Level);
    });
}

} // namespace deraz
