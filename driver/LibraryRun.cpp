#include "driver/LibraryRun.h"

#include <algorithm>

namespace deraz {

namespace {

// The manifest's record of how its outputs were named.
std::string NamingOf(const TLibraryOptions& Options, const TMediaBin& Bin) {
    return (Options.Names ? Options.Names->Text() : std::string()) + "\t" + Bin.OutputExtension() + "\t" +
           (Bin.KeepFolders() ? "folders" : "flat");
}

} // namespace

TLibraryRun::TLibraryRun(TMediaBin& Bin, TLibraryOptions Options) : FBin(Bin), FOptions(std::move(Options)) {
    if (!FBin.OutputDirectory().empty()) FManifest = TManifest::Load(FBin.OutputDirectory());
    if (!FOptions.Names) return;
    TMediaBin::TOutputNamer Namer = PatternNamer(*FOptions.Names);
    // Reading every file's tags again is what makes a run over a large library slow; a source
    // unchanged since the manifest recorded it keeps its recorded name when the rule is the same.
    if (FManifest.Naming() == NamingOf(FOptions, FBin)) Namer = ManifestNamer(FManifest, std::move(Namer));
    FBin.SetOutputNamer(std::move(Namer));
}

void TLibraryRun::Plan() {
    FPlan = PlanSync(FBin.Items(), FManifest, FBin.OutputDirectory(), FOptions.Mirror, FOptions.UpdateOnly,
                     FOptions.Shard);
    FByOutput.clear();
    for (size_t I = 0; I < FPlan.Items.size(); ++I) FByOutput[FPlan.Items[I].Item.OutputName] = I;
}

std::vector<std::string> TLibraryRun::PlanLines() const {
    std::vector<std::string> Lines;
    for (const auto& Sync : FPlan.Items) {
        const std::string& Output = Sync.Item.OutputName;
        if (Sync.Action == TSyncAction::Convert)
            Lines.push_back("convert " + Sync.Item.Input.Path + " -> " + Output);
        else if (Sync.Action == TSyncAction::Retag)
            Lines.push_back(Sync.OldOutput == Output ? "retag " + Output
                                                     : "rename " + Sync.OldOutput + " -> " + Output);
    }
    for (const auto& Output : FPlan.Removals) Lines.push_back("remove " + Output);
    return Lines;
}

TLibraryReport TLibraryRun::ApplyWithoutConverting() {
    TLibraryReport Report;
    for (const auto& Sync : FPlan.Items) {
        if (Sync.Action != TSyncAction::Retag) continue;
        try {
            RetagOutput(Sync, FBin.OutputExtension(), FBin.OutputDirectory(), FOptions.CopyTags);
            Converted(Sync.Item.OutputName);
            ++Report.Retagged;
        } catch (const std::exception& E) {
            Report.Problems.push_back({0, Sync.Item.Input.Path, eoFailed, E.what()});
        }
    }
    for (const auto& Output : FPlan.Removals) {
        try {
            RemoveOutput(Output, FBin.OutputDirectory());
            Report.Removed.push_back(Output);
        } catch (const std::exception& E) {
            Report.Problems.push_back({0, Output, eoFailed, E.what()});
        }
    }
    // Mirroring forgets the sources that are gone; without it their records stay for a later
    // mirroring run to find.
    if (!FOptions.Mirror) return Report;
    std::vector<std::string> Gone;
    for (const auto& [Source, Record] : FManifest.Entries())
        if (FOptions.Shard.Takes(Record.RelativePath) && !FileStamp(Source)) Gone.push_back(Source);
    for (const auto& Source : Gone) FManifest.Erase(Source);
    return Report;
}

std::vector<TMediaEntry> TLibraryRun::Entries(bool UpToDate) const {
    std::vector<TMediaEntry> Result;
    for (const auto& Sync : FPlan.Items)
        if (Sync.Action == TSyncAction::Convert || (UpToDate && Sync.Action == TSyncAction::UpToDate))
            Result.push_back(FBin.EntryOf(Sync.Item));
    return Result;
}

int32_t TLibraryRun::UpToDate() const {
    return int32_t(std::count_if(FPlan.Items.begin(), FPlan.Items.end(),
                                 [](const TSyncItem& Sync) { return Sync.Action == TSyncAction::UpToDate; }));
}

void TLibraryRun::Converted(const std::string& OutputName) {
    auto Found = FByOutput.find(OutputName);
    if (Found == FByOutput.end() || FBin.OutputDirectory().empty()) return;
    FManifest.Put(RecordOf(FPlan.Items[Found->second].Item, FBin.OutputDirectory()));
}

void TLibraryRun::SaveManifest() {
    // A run that wrote nothing into a folder without a record leaves the folder as it was.
    if (FBin.OutputDirectory().empty() || FManifest.Entries().empty()) return;
    FManifest.SetNaming(NamingOf(FOptions, FBin));
    FManifest.Save(FBin.OutputDirectory(), FOptions.Shard);
}

} // namespace deraz
