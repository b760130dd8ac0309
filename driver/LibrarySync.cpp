#include "driver/LibrarySync.h"

#include <filesystem>
#include <stdexcept>
#include <unordered_set>

#include "driver/AudioHash.h"
#include "driver/FileNames.h"
#include "driver/OutputFiles.h"
#include "driver/TagCopy.h"
#include "platform/Paths.h"

namespace deraz {

namespace fs = std::filesystem;

namespace {

std::string Below(const std::string& Folder, const std::string& Relative) {
    return NameOf((PathOf(Folder) / PathOf(Relative)).lexically_normal());
}

std::string RelativeTo(const std::string& Folder, const std::string& Path) {
    const auto Relative = PathOf(Path).lexically_relative(PathOf(Folder)).generic_u8string();
    return std::string(Relative.begin(), Relative.end());
}

bool SameStamp(const TManifestEntry& Record, const std::string& Source) {
    auto Stamp = FileStamp(Source);
    return Stamp && Stamp->first == Record.Size && Stamp->second == Record.Time;
}

bool IsFile(const std::string& Name) {
    std::error_code Error;
    return fs::is_regular_file(PathOf(Name), Error);
}

// What to do with an entry whose source the manifest knows, its output at OldOutput.
TSyncAction KnownAction(const TMediaBinItem& Item, const TManifestEntry& Record,
                        const std::string& OldOutput) {
    if (!IsFile(OldOutput)) return TSyncAction::Convert;
    // Another name of the same format is a rename, never a new encoding; another format is.
    bool SameFormat = LowerCase(ExtractFileExt(OldOutput)) == LowerCase(ExtractFileExt(Item.OutputName));
    if (SameStamp(Record, Item.Input.Path))
        return OldOutput == Item.OutputName ? TSyncAction::UpToDate
                                            : (SameFormat ? TSyncAction::Retag : TSyncAction::Convert);
    auto Hash = AudioHash(Item.Input.Path);
    return Hash && *Hash == Record.AudioHash && SameFormat ? TSyncAction::Retag : TSyncAction::Convert;
}

} // namespace

TSyncPlan PlanSync(const std::vector<TMediaBinItem>& Items, const TManifest& Manifest,
                   const std::string& OutputFolder, bool Mirror, bool UpdateOnly, const TShard& Shard) {
    TSyncPlan Plan;
    std::unordered_set<std::string> Claimed; // outputs that an existing source writes
    for (const auto& Item : Items) Claimed.insert(Item.OutputName);
    for (const auto& Item : Items) {
        if (Item.Kept || !Shard.Takes(Item.Input.RelativePath)) continue;
        TSyncItem Sync{Item, TSyncAction::Convert, {}};
        if (!UpdateOnly) {
            // Asked to convert everything: the manifest only tells what the output was called.
        } else if (const TManifestEntry* Record = Manifest.Find(Item.Input.Path)) {
            Sync.OldOutput = Below(OutputFolder, Record->Output);
            Sync.Action = KnownAction(Item, *Record, Sync.OldOutput);
        } else if (OutputUpToDate(Item.Input.Path, Item.OutputName)) {
            Sync.Action = TSyncAction::UpToDate;
        }
        Plan.Items.push_back(std::move(Sync));
    }
    if (!Mirror) return Plan;
    std::vector<std::string> Gone; // outputs of the sources that have gone
    for (const auto& [Source, Record] : Manifest.Entries()) {
        std::string Output = Below(OutputFolder, Record.Output);
        if (FileStamp(Source))
            Claimed.insert(Output);
        else if (Shard.Takes(Record.RelativePath))
            Gone.push_back(Output);
    }
    for (const auto& Output : Gone)
        if (!Claimed.contains(Output) && IsFile(Output)) Plan.Removals.push_back(Output);
    return Plan;
}

TMediaBin::TOutputNamer ManifestNamer(const TManifest& Manifest, TMediaBin::TOutputNamer Namer) {
    return [&Manifest, Namer = std::move(Namer)](const TInputFile& Input, const std::string& Extension) {
        const TManifestEntry* Record = Manifest.Find(Input.Path);
        return Record && SameStamp(*Record, Input.Path) ? Record->Output : Namer(Input, Extension);
    };
}

void RetagOutput(const TSyncItem& Item, const std::string& OutputExtension, const std::string& OutputFolder,
                 bool CopyTags) {
    const std::string& Target = Item.Item.OutputName;
    if (!CopyTags && Target == Item.OldOutput) return;
    MakeOutputFolder(Target);
    std::string Temporary = TemporaryOutputName(Target);
    try {
        fs::copy_file(PathOf(Item.OldOutput), PathOf(Temporary), fs::copy_options::overwrite_existing);
        if (CopyTags) {
            TTagSet Tags = ReadTags(Item.Item.Input.Path);
            // The loudness measured into the output stays unless the source brings values of its own.
            for (const auto& [Name, Values] : ReadTags(Item.OldOutput).Fields)
                if (Name.starts_with("REPLAYGAIN_")) Tags.Fields.try_emplace(Name, Values);
            WriteTags(Temporary, OutputExtension, Tags, TTagWrite::Replace);
        }
        CommitOutput(Temporary, Target);
    } catch (const std::exception& E) {
        DiscardOutput(Temporary);
        throw std::runtime_error(E.what());
    }
    if (Item.OldOutput != Target) RemoveOutput(Item.OldOutput, OutputFolder);
}

void RemoveOutput(const std::string& Output, const std::string& OutputFolder) {
    std::error_code Error;
    if (!fs::remove(PathOf(Output), Error) && Error)
        throw std::runtime_error("Cannot remove " + Output + ": " + Error.message());
    fs::path Root = PathOf(OutputFolder).lexically_normal();
    for (fs::path Folder = PathOf(Output).parent_path();
         Folder.lexically_normal() != Root && Folder.has_relative_path(); Folder = Folder.parent_path()) {
        if (RelativeTo(NameOf(Root), NameOf(Folder)).starts_with("..")) break;
        if (!fs::is_empty(Folder, Error) || Error || !fs::remove(Folder, Error)) break;
    }
}

TManifestEntry RecordOf(const TMediaBinItem& Item, const std::string& OutputFolder) {
    TManifestEntry Record{Item.Input.Path, Item.Input.RelativePath,
                          RelativeTo(OutputFolder, Item.OutputName)};
    if (auto Stamp = FileStamp(Item.Input.Path)) std::tie(Record.Size, Record.Time) = *Stamp;
    Record.AudioHash = AudioHash(Item.Input.Path).value_or(0);
    return Record;
}

} // namespace deraz
