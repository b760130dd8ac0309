// The record an output folder keeps of what was converted into it: for each output its source,
// the source's size and time, and the fingerprint of the source's audio. It lets a later run tell
// a new or changed source from one whose tags alone changed, and find outputs whose source has
// gone. A run over one share of the sources (see TShard) keeps its own file, so shares running at
// once never write over each other's records.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace deraz {

// The file name of an output folder's record; its shares' files add ".K-of-N".
inline constexpr const char* OutputManifestName = ".deraz-manifest";

// One of N disjoint shares of a run's sources, chosen by a hash of each source's path below the
// folder it was found through, so every run of share K takes the same files.
struct TShard {
    int32_t Index = 1; // K, from 1
    int32_t Count = 1; // N
    bool Whole() const { return Count <= 1; }
    bool Takes(const std::string& RelativePath) const;
};

// "K/N" with 1 <= K <= N; none for anything else.
std::optional<TShard> ParseShard(const std::string& Text);

struct TManifestEntry {
    std::string Source;       // full path of the source
    std::string RelativePath; // the source's path below the folder it was found through
    std::string Output;       // the output's path below the output folder
    uint64_t Size = 0;        // the source's size and time when it was last converted
    int64_t Time = 0;
    uint64_t AudioHash = 0;
};

// Size and time of a file as the manifest compares them; none when it cannot be read.
std::optional<std::pair<uint64_t, int64_t>> FileStamp(const std::string& FileName);

class TManifest {
public:
    // The records of Folder, its whole record and its shares' merged, the most recently written
    // file winning for a source that several name; an absent or unreadable file gives none.
    static TManifest Load(const std::string& Folder);

    const std::map<std::string, TManifestEntry>& Entries() const { return FEntries; }
    const TManifestEntry* Find(const std::string& Source) const;
    void Put(TManifestEntry Entry);
    void Erase(const std::string& Source);

    // The rule the recorded outputs were named by (the name pattern and the extension), so that a
    // later run knows whether a recorded name still holds.
    const std::string& Naming() const { return FNaming; }
    void SetNaming(std::string Naming) { FNaming = std::move(Naming); }

    // Writes the records Shard takes into Folder's file for that share (the whole record for a
    // whole run, which also removes the shares' files it has merged), under a temporary name
    // first, so that a reader sees the old file or the new one. Raises std::runtime_error with
    // the system's reason when that fails.
    void Save(const std::string& Folder, const TShard& Shard) const;

private:
    void Read(const std::string& FileName);

    std::map<std::string, TManifestEntry> FEntries; // by source
    std::string FNaming;
};

} // namespace deraz
