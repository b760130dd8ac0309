// The media bin: the files to convert and the output name of each, by one set of rules for the
// desktop program and the command line. Output names are worked out again whenever the entries,
// the output directory, the extension or a rule changes, so two entries never write one file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver/EntryQueue.h"
#include "driver/InputFiles.h"
#include "driver/OutputNames.h"

namespace deraz {

// When an entry's cover pictures go along to its output's folder.
enum TCoverRule : uint8_t {
    crNever = 0,
    crFolderEntries = 1, // for entries that came from an added folder
    crAlways = 2,
};

struct TMediaBinItem {
    TInputFile Input;
    std::string OutputName; // full path of the output file
    bool Kept = false;      // its output exists and "skip" keeps it: not converted
    bool FromFolder() const { return !Input.Folder.empty(); }
};

class TMediaBin {
public:
    int32_t Count() const { return int32_t(FItems.size()); }
    const std::vector<TMediaBinItem>& Items() const { return FItems; }

    // The files Paths name, as ExpandInputs finds them (folders give their convertible files),
    // passing over the output directory.
    std::vector<TInputFile> Expand(const std::vector<std::string>& Paths) const;
    // Appends entries in order; the same file may be added twice.
    void Add(const std::vector<TInputFile>& Inputs);
    void Add(const std::vector<std::string>& Paths) { Add(Expand(Paths)); }
    // Removes the entries at Indexes (any order; an index outside the bin is passed over).
    void Remove(std::vector<int32_t> Indexes);
    void Clear();
    // Puts the entries in a new order: Order[I] is the index of the entry that goes to place I.
    // An order that is not a permutation of the entries is refused (false, nothing changes).
    bool Reorder(const std::vector<int32_t>& Order);

    // Where the outputs go; empty: each beside its input. It applies to every entry, whenever added.
    const std::string& OutputDirectory() const { return FOutputDirectory; }
    void SetOutputDirectory(std::string Directory);
    // The outputs' extension with its dot (".ogg"); empty gives outputs without one.
    const std::string& OutputExtension() const { return FOutputExtension; }
    void SetOutputExtension(std::string Extension);
    // Whether an entry from an added folder keeps its folders below the output directory; off
    // ("flat"), every output goes straight into it.
    bool KeepFolders() const { return FKeepFolders; }
    void SetKeepFolders(bool Value);
    // What happens to an output that exists already: written over, kept (the entry is set aside,
    // see Kept()), or avoided by a numbered name beside it. Files are looked at when names are
    // worked out.
    TIfExists IfExists() const { return FIfExists; }
    void SetIfExists(TIfExists Value);
    // Names each output by Namer, given the input and the extension: its path below the output
    // directory (below the input's folder when there is none); an empty Namer restores the names
    // of the input files. Collisions are numbered as always.
    using TOutputNamer = std::function<std::string(const TInputFile&, const std::string&)>;
    void SetOutputNamer(TOutputNamer Namer);
    TCoverRule CoverRule() const { return FCoverRule; }
    void SetCoverRule(TCoverRule Value) { FCoverRule = Value; }

    // The entries to convert, in order, as a batch takes them.
    std::vector<TMediaEntry> Batch() const;
    // The entries set aside because their output exists and "skip" keeps it.
    std::vector<TMediaEntry> Kept() const;
    // Item as a batch takes it.
    TMediaEntry EntryOf(const TMediaBinItem& Item) const;

private:
    // Gives every entry its output name: the first one keeps the plain name, a later one that
    // would write an earlier output or another entry's input gets the first free number.
    void NameOutputs();
    // The output name of Input before collisions are numbered. A file given by itself has its own
    // name as its relative path: it goes straight in.
    std::string PlainOutputName(const TInputFile& Input) const;
    std::vector<TMediaEntry> Entries(bool KeptOnes) const;

    std::vector<TMediaBinItem> FItems;
    std::string FOutputDirectory;
    std::string FOutputExtension;
    bool FKeepFolders = true;
    TIfExists FIfExists = ieOverwrite;
    TCoverRule FCoverRule = crFolderEntries;
    TOutputNamer FNamer;
};

} // namespace deraz
