#include "driver/CodecSet.h"

namespace deraz {

using TRole = TPipelineTable::TRole;

template <class T, class TExtensions>
std::unique_ptr<T> TCodecSet::Create(const TFormat& Format, std::unique_ptr<T> (*Make)(), TRole Role,
                                     const TExtensions& Extensions) {
    try {
        return Make();
    } catch (const EACSException& E) {
        if (!FAllowMissingLibraries && !Format.OptionalLibraries) throw;
        for (const auto& Row : Extensions) FPipelines.AddUnavailable(Role, Row.Extension, E.what());
    }
    return nullptr;
}

TCodecSet::TCodecSet(bool AllowMissingLibraries) : FAllowMissingLibraries(AllowMissingLibraries) {
    for (const TFormat& Format : Formats()) {
        if (auto Source = Create(Format, Format.MakeSource, TRole::Source, Format.Inputs)) {
            for (const TInputExtension& Input : Format.Inputs)
                FPipelines.AddSource(Input.Extension, Source.get());
            FSources.push_back(std::move(Source));
        }
        if (Format.Outputs.empty()) continue;
        auto Sink = Create(Format, Format.MakeSink, TRole::Sink, Format.Outputs);
        if (!Sink) continue;
        TACSFileOut* Component = Sink.get();
        auto ApplyLevel = [Row = &Format, Component](const TOutputChoice& Choice) {
            if (Row->SetEntry) Row->SetEntry(*Component, Choice.DestExt);
            if (auto Level = SinkLevel(*Row, Choice.DestExt, Choice.Bitrate))
                Row->SetLevel(*Component, *Level);
        };
        for (const TOutputFormat& Output : Format.Outputs)
            FPipelines.AddSink(Output.Extension, Component, Format.SinkCode, ApplyLevel);
        FSinks.emplace_back(Format.SinkCode, std::move(Sink));
    }
    WaveOut = SinkOf<TWaveOut>(scWaveOut);
}

} // namespace deraz
