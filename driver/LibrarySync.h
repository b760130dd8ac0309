// Keeping an output folder in step with its sources through the folder's manifest: which entries
// need converting, which outputs only need their tags (and perhaps their names) brought up to
// date, which are up to date, and which outputs' sources have gone.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "driver/Manifest.h"
#include "driver/MediaBin.h"

namespace deraz {

enum class TSyncAction { Convert, UpToDate, Retag };

struct TSyncItem {
    TMediaBinItem Item;
    TSyncAction Action = TSyncAction::Convert;
    // Where the output is now, when the manifest knows one (a retag may move it to Item.OutputName).
    std::string OldOutput;
};

struct TSyncPlan {
    std::vector<TSyncItem> Items;
    std::vector<std::string> Removals; // outputs whose source has gone (full paths)
};

// The plan for the entries Items of a run into OutputFolder, whose manifest is Manifest: only
// the entries Shard takes; with Mirror, the outputs of Shard's sources that have gone, never an
// output that an existing source still writes. An entry the manifest does not know converts unless
// UpdateOnly finds its output newer than its source.
TSyncPlan PlanSync(const std::vector<TMediaBinItem>& Items, const TManifest& Manifest,
                   const std::string& OutputFolder, bool Mirror, bool UpdateOnly, const TShard& Shard);

// The namer a media bin uses over a manifest: an entry whose source is unchanged since the
// manifest recorded it keeps its recorded output; every other one is named by Namer.
TMediaBin::TOutputNamer ManifestNamer(const TManifest& Manifest, TMediaBin::TOutputNamer Namer);

// Writes Source's tags into the output at Item.OldOutput (when CopyTags) and gives it
// Item.Item.OutputName, the ReplayGain values it holds kept when the source has none; the output
// is left as it was when that fails. A folder below OutputFolder that the move leaves empty goes.
// Raises std::runtime_error with the reason.
void RetagOutput(const TSyncItem& Item, const std::string& OutputExtension, const std::string& OutputFolder,
                 bool CopyTags);

// Removes Output and the folders above it that it leaves empty, up to OutputFolder; raises
// std::runtime_error with the reason when the file cannot be removed.
void RemoveOutput(const std::string& Output, const std::string& OutputFolder);

// The manifest record of Item's source as it is now, its output below OutputFolder.
TManifestEntry RecordOf(const TMediaBinItem& Item, const std::string& OutputFolder);

} // namespace deraz
