#include "driver/CodecSet.h"

namespace deraz {

using TRole = TPipelineTable::TRole;

template <class T>
T* TCodecSet::Create(std::unique_ptr<T>& Component, TRole Role,
                     std::initializer_list<const char*> Extensions) {
    try {
        Component = std::make_unique<T>();
    } catch (const EACSException& E) {
        if (!FAllowMissingLibraries) throw;
        for (const char* Extension : Extensions) FPipelines.AddUnavailable(Role, Extension, E.what());
    }
    return Component.get();
}

TCodecSet::TCodecSet(bool AllowMissingLibraries) : FAllowMissingLibraries(AllowMissingLibraries) {
    if (Create(MP3In, TRole::Source, {".mp3"})) FPipelines.AddSource(".mp3", MP3In.get());
    if (Create(FlacIn, TRole::Source, {".fla", ".flac"})) {
        FPipelines.AddSource(".fla", FlacIn.get());
        FPipelines.AddSource(".flac", FlacIn.get());
    }
    if (Create(MACIn, TRole::Source, {".ape"})) FPipelines.AddSource(".ape", MACIn.get());
    if (Create(WaveIn, TRole::Source, {".wav"})) FPipelines.AddSource(".wav", WaveIn.get());
    if (Create(VorbisIn, TRole::Source, {".ogg"})) FPipelines.AddSource(".ogg", VorbisIn.get());

    if (Create(MP3Out, TRole::Sink, {".mp3"})) {
        MP3Out->SetBitRate(br128);
        FPipelines.AddSink(".mp3", MP3Out.get(), scMP3Out, [this](const TOutputChoice& Choice) {
            if (auto Index = MP3BitRateIndex(Choice)) MP3Out->SetBitRate(TMP3BitRate(*Index));
        });
    }

    if (Create(FLACOut, TRole::Sink, {".fla", ".flac"})) {
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
    }

    if (Create(MACOut, TRole::Sink, {".ape"})) {
        // The sink writes "braindead" (6000) as 5000, the highest level of the format.
        MACOut->SetCompressionLevel(2000);
        MACOut->SetMaxAudioBytes(-1);
        FPipelines.AddSink(".ape", MACOut.get(), scMACOut, [this](const TOutputChoice& Choice) {
            if (auto Level = MACCompressionLevel(Choice)) MACOut->SetCompressionLevel(*Level);
        });
    }

    if (Create(WaveOut, TRole::Sink, {".wav"})) {
        WaveOut->SetWavType(wtPCM);
        WaveOut->SetBlockSize(512);
        FPipelines.AddSink(".wav", WaveOut.get(), scWaveOut);
    }

    if (Create(VorbisOut, TRole::Sink, {".ogg"})) {
        // Quality mode, with the quality of the stored choice set before each file.
        VorbisOut->SetCompression(0.5f);
        FPipelines.AddSink(".ogg", VorbisOut.get(), scVorbisOut, [this](const TOutputChoice& Choice) {
            if (auto Compression = VorbisCompression(Choice)) VorbisOut->SetCompression(*Compression);
        });
    }
}

} // namespace deraz
