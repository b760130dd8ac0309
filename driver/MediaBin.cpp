#include "driver/MediaBin.h"

#include <algorithm>
#include <filesystem>

#include "driver/FileNames.h"
#include "platform/Paths.h"

namespace deraz {

std::vector<TInputFile> TMediaBin::Expand(const std::vector<std::string>& Paths) const {
    return ExpandInputs(Paths, FOutputDirectory);
}

void TMediaBin::Add(const std::vector<TInputFile>& Inputs) {
    for (const auto& Input : Inputs) FItems.push_back({Input, {}, false});
    NameOutputs();
}

void TMediaBin::Remove(std::vector<int32_t> Indexes) {
    // From the last, so that the indexes still to go keep their entries.
    std::sort(Indexes.begin(), Indexes.end());
    Indexes.erase(std::unique(Indexes.begin(), Indexes.end()), Indexes.end());
    for (auto Index = Indexes.rbegin(); Index != Indexes.rend(); ++Index)
        if (*Index >= 0 && *Index < Count()) FItems.erase(FItems.begin() + *Index);
    NameOutputs();
}

bool TMediaBin::Reorder(const std::vector<int32_t>& Order) {
    if (Order.size() != FItems.size()) return false;
    std::vector<bool> Taken(FItems.size(), false);
    std::vector<TMediaBinItem> Items;
    Items.reserve(FItems.size());
    for (int32_t Index : Order) {
        if (Index < 0 || Index >= Count() || Taken[size_t(Index)]) return false;
        Taken[size_t(Index)] = true;
        Items.push_back(FItems[size_t(Index)]);
    }
    FItems = std::move(Items);
    NameOutputs();
    return true;
}

void TMediaBin::Clear() {
    FItems.clear();
}

void TMediaBin::SetOutputDirectory(std::string Directory) {
    if (FOutputDirectory == Directory) return;
    FOutputDirectory = std::move(Directory);
    NameOutputs();
}

void TMediaBin::SetOutputExtension(std::string Extension) {
    if (FOutputExtension == Extension) return;
    FOutputExtension = std::move(Extension);
    NameOutputs();
}

void TMediaBin::SetKeepFolders(bool Value) {
    if (FKeepFolders == Value) return;
    FKeepFolders = Value;
    NameOutputs();
}

void TMediaBin::SetIfExists(TIfExists Value) {
    if (FIfExists == Value) return;
    FIfExists = Value;
    NameOutputs();
}

void TMediaBin::SetOutputNamer(TOutputNamer Namer) {
    FNamer = std::move(Namer);
    NameOutputs();
}

std::string TMediaBin::PlainOutputName(const TInputFile& Input) const {
    if (!FNamer)
        return OutputFileName(Input.Path, FOutputExtension, FOutputDirectory,
                              FKeepFolders ? Input.RelativePath : std::string());
    std::filesystem::path Folder =
        FOutputDirectory.empty() ? PathOf(Input.Path).parent_path() : PathOf(FOutputDirectory);
    return NameOf((Folder / PathOf(FNamer(Input, FOutputExtension))).lexically_normal());
}

void TMediaBin::NameOutputs() {
    std::unordered_set<std::string> Inputs;
    for (const auto& Item : FItems) Inputs.insert(Item.Input.Path);
    TOutputClaims Claims(std::move(Inputs));
    auto Exists = [](const std::string& Name) { return std::filesystem::exists(PathOf(Name)); };
    for (auto& Item : FItems) {
        std::string Name = PlainOutputName(Item.Input);
        Item.OutputName = FIfExists == ieRename ? Claims.Claim(Name, Item.Input.Path, Exists)
                                                : Claims.Claim(Name, Item.Input.Path);
        Item.Kept = FIfExists == ieSkip && Exists(Item.OutputName);
    }
}

TMediaEntry TMediaBin::EntryOf(const TMediaBinItem& Item) const {
    bool Covers = FCoverRule == crAlways || (FCoverRule == crFolderEntries && Item.FromFolder());
    return {Item.Input.Path, Item.OutputName, Covers};
}

std::vector<TMediaEntry> TMediaBin::Entries(bool KeptOnes) const {
    std::vector<TMediaEntry> Result;
    for (const auto& Item : FItems)
        if (Item.Kept == KeptOnes) Result.push_back(EntryOf(Item));
    return Result;
}

std::vector<TMediaEntry> TMediaBin::Batch() const {
    return Entries(false);
}

std::vector<TMediaEntry> TMediaBin::Kept() const {
    return Entries(true);
}

} // namespace deraz
