// One run over an output folder that keeps a converted copy of a library in step: it names the
// outputs (by their tags when asked), plans from the folder's manifest what to convert, retag,
// rename and remove, does the retagging and removing itself, hands the rest to a batch, and
// records every output in the manifest when the batch is over.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/ConvDriver.h"
#include "driver/LibrarySync.h"
#include "driver/NamePattern.h"

namespace deraz {

struct TLibraryOptions {
    std::optional<TNamePattern> Names; // outputs named by their tags
    bool Mirror = false;               // outputs whose source has gone are removed
    bool UpdateOnly = false;           // unchanged sources are not converted again
    TShard Shard;                      // the share of the entries this run takes
    bool CopyTags = true;              // outputs carry their source's tags
};

// What the run did besides converting.
struct TLibraryReport {
    int32_t Retagged = 0;
    std::vector<std::string> Removed;   // outputs removed, their source gone
    std::vector<TEntryResult> Problems; // retags and removals that failed
};

class TLibraryRun {
public:
    // Names Bin's outputs as Options say, now and whenever they are named again; Bin must outlive
    // the run and keep its output directory.
    TLibraryRun(TMediaBin& Bin, TLibraryOptions Options);

    // Works out the plan over the bin's entries as they are now.
    void Plan();
    // The outputs the plan removes; KeepRemovals() drops them from it.
    const std::vector<std::string>& Removals() const { return FPlan.Removals; }
    void KeepRemovals() { FPlan.Removals.clear(); }
    // What the plan would do, one line each: "convert", "retag", "rename", "remove".
    std::vector<std::string> PlanLines() const;
    // Retags, renames and removes as planned.
    TLibraryReport ApplyWithoutConverting();
    // The entries to convert, in the bin's order; with UpToDate also those that are up to date,
    // for a batch that reports them itself.
    std::vector<TMediaEntry> Entries(bool UpToDate = false) const;
    // How many entries were up to date.
    int32_t UpToDate() const;
    // Records a converted output.
    void Converted(const std::string& OutputName);
    // Writes the manifest of the output folder, when there is one; raises like TManifest::Save.
    void SaveManifest();

private:
    TMediaBin& FBin;
    TLibraryOptions FOptions;
    TManifest FManifest;
    TSyncPlan FPlan;
    std::unordered_map<std::string, size_t> FByOutput; // plan item of each output name
};

} // namespace deraz
