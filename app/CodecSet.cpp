#include "app/CodecSet.h"

namespace deraz {

TCodecSet::TCodecSet() {
    FPipelines.AddSource(".mp3", MP3In.get());
    FPipelines.AddSource(".fla", FlacIn.get());
    FPipelines.AddSource(".flac", FlacIn.get());
    FPipelines.AddSource(".ape", MACIn.get());
    FPipelines.AddSource(".wav", WaveIn.get());
    FPipelines.AddSource(".ogg", VorbisIn.get());

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

    // The sink writes "braindead" (6000) as 5000, the highest level of the format.
    MACOut->SetCompressionLevel(2000);
    MACOut->SetMaxAudioBytes(-1);
    FPipelines.AddSink(".ape", MACOut.get(), scMACOut, [this](const TOutputChoice& Choice) {
        if (auto Level = MACCompressionLevel(Choice)) MACOut->SetCompressionLevel(*Level);
    });

    WaveOut->SetWavType(wtPCM);
    WaveOut->SetBlockSize(512);
    FPipelines.AddSink(".wav", WaveOut.get(), scWaveOut);

    // Quality mode, with the quality of the stored choice set before each file.
    VorbisOut->SetCompression(0.5f);
    FPipelines.AddSink(".ogg", VorbisOut.get(), scVorbisOut, [this](const TOutputChoice& Choice) {
        if (auto Compression = VorbisCompression(Choice)) VorbisOut->SetCompression(*Compression);
    });
}

} // namespace deraz
