#include "driver/Manifest.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/Paths.h"
#include "platform/System.h"

namespace deraz {

namespace fs = std::filesystem;

namespace {

constexpr const char* FirstLine = "deraz manifest 1";

// FNV-1a, stable across runs and platforms.
uint64_t PathHash(const std::string& Text) {
    uint64_t Hash = 0xCBF29CE484222325ull;
    for (unsigned char C : Text) Hash = (Hash ^ C) * 0x100000001B3ull;
    return Hash;
}

// Fields are separated by tabs and records by line ends, so those and the backslash are escaped.
std::string Escaped(const std::string& Text) {
    std::string Result;
    for (char C : Text) {
        if (C == '\\')
            Result += "\\\\";
        else if (C == '\t')
            Result += "\\t";
        else if (C == '\n')
            Result += "\\n";
        else if (C == '\r')
            Result += "\\r";
        else
            Result += C;
    }
    return Result;
}

std::string Unescaped(const std::string& Text) {
    std::string Result;
    for (size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] != '\\' || I + 1 == Text.size()) {
            Result += Text[I];
            continue;
        }
        char Next = Text[++I];
        Result += Next == 't' ? '\t' : Next == 'n' ? '\n' : Next == 'r' ? '\r' : Next;
    }
    return Result;
}

std::vector<std::string> Fields(const std::string& Line) {
    std::vector<std::string> Result;
    for (size_t Start = 0;;) {
        size_t Tab = Line.find('\t', Start);
        Result.push_back(Line.substr(Start, Tab == std::string::npos ? std::string::npos : Tab - Start));
        if (Tab == std::string::npos) return Result;
        Start = Tab + 1;
    }
}

template <class T> bool ParseNumber(const std::string& Text, T& Value, int Base = 10) {
    auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value, Base);
    return Error == std::errc() && End == Text.data() + Text.size();
}

std::string ShareFileName(const TShard& Shard) {
    return std::string(OutputManifestName) + "." + std::to_string(Shard.Index) + "-of-" +
           std::to_string(Shard.Count);
}

// The manifest files in Folder, oldest first.
std::vector<fs::path> ManifestFiles(const std::string& Folder) {
    std::vector<std::pair<fs::file_time_type, fs::path>> Found;
    std::error_code Error;
    for (const auto& Item : fs::directory_iterator(PathOf(Folder), Error)) {
        std::string Name = NameOf(Item.path().filename());
        if (Name != OutputManifestName && !Name.starts_with(std::string(OutputManifestName) + ".")) continue;
        if (Name.ends_with(".part")) continue;
        std::error_code TimeError;
        Found.emplace_back(fs::last_write_time(Item.path(), TimeError), Item.path());
    }
    std::sort(Found.begin(), Found.end());
    std::vector<fs::path> Result;
    for (auto& [Time, Path] : Found) Result.push_back(Path);
    return Result;
}

} // namespace

bool TShard::Takes(const std::string& RelativePath) const {
    return Whole() || int64_t(PathHash(RelativePath) % uint64_t(Count)) == Index - 1;
}

std::optional<TShard> ParseShard(const std::string& Text) {
    size_t Slash = Text.find('/');
    TShard Shard;
    if (Slash == std::string::npos || !ParseNumber(Text.substr(0, Slash), Shard.Index) ||
        !ParseNumber(Text.substr(Slash + 1), Shard.Count) || Shard.Index < 1 || Shard.Index > Shard.Count)
        return std::nullopt;
    return Shard;
}

std::optional<std::pair<uint64_t, int64_t>> FileStamp(const std::string& FileName) {
    std::error_code Error;
    fs::path Path = PathOf(FileName);
    uint64_t Size = fs::file_size(Path, Error);
    if (Error) return std::nullopt;
    auto Time = fs::last_write_time(Path, Error);
    if (Error) return std::nullopt;
    return std::pair{Size, int64_t(Time.time_since_epoch().count())};
}

TManifest TManifest::Load(const std::string& Folder) {
    TManifest Manifest;
    for (const auto& Path : ManifestFiles(Folder)) Manifest.Read(NameOf(Path));
    return Manifest;
}

void TManifest::Read(const std::string& FileName) {
    std::ifstream File(PathOf(FileName), std::ios::binary);
    std::string Line;
    if (!std::getline(File, Line) || Line != FirstLine) return;
    while (std::getline(File, Line)) {
        auto Parts = Fields(Line);
        if (Parts.size() == 2 && Parts[0] == "naming") {
            if (!Parts[1].empty()) FNaming = Unescaped(Parts[1]);
            continue;
        }
        TManifestEntry Entry;
        if (Parts.size() != 6 || !ParseNumber(Parts[3], Entry.Size) || !ParseNumber(Parts[4], Entry.Time) ||
            !ParseNumber(Parts[5], Entry.AudioHash, 16))
            continue; // a damaged record is as good as none: its source converts again
        Entry.Source = Unescaped(Parts[0]);
        Entry.RelativePath = Unescaped(Parts[1]);
        Entry.Output = Unescaped(Parts[2]);
        if (!Entry.Source.empty() && !Entry.Output.empty()) Put(std::move(Entry));
    }
}

const TManifestEntry* TManifest::Find(const std::string& Source) const {
    auto Found = FEntries.find(Source);
    return Found == FEntries.end() ? nullptr : &Found->second;
}

void TManifest::Put(TManifestEntry Entry) {
    std::string Key = Entry.Source;
    FEntries.insert_or_assign(std::move(Key), std::move(Entry));
}

void TManifest::Erase(const std::string& Source) {
    FEntries.erase(Source);
}

void TManifest::Save(const std::string& Folder, const TShard& Shard) const {
    fs::path Target = PathOf(Folder) / (Shard.Whole() ? OutputManifestName : ShareFileName(Shard));
    fs::path Temporary = Target;
    Temporary += "." + std::to_string(ProcessId()) + ".part";
    {
        std::ofstream File(Temporary, std::ios::binary | std::ios::trunc);
        File << FirstLine << '\n' << "naming\t" << Escaped(FNaming) << '\n';
        char Hash[17];
        for (const auto& [Source, Entry] : FEntries) {
            if (!Shard.Takes(Entry.RelativePath)) continue;
            auto [End, Error] = std::to_chars(Hash, Hash + 16, Entry.AudioHash, 16);
            File << Escaped(Entry.Source) << '\t' << Escaped(Entry.RelativePath) << '\t'
                 << Escaped(Entry.Output) << '\t' << Entry.Size << '\t' << Entry.Time << '\t'
                 << std::string(Hash, End) << '\n';
        }
        File.flush();
        if (!File) {
            std::error_code Ignored;
            fs::remove(Temporary, Ignored);
            throw std::runtime_error("The record of the output folder could not be written: " +
                                     NameOf(Temporary));
        }
    }
    std::error_code Error;
    fs::rename(Temporary, Target, Error);
    if (Error) {
        fs::remove(Temporary, Error);
        throw std::runtime_error("The record of the output folder could not be written: " + Error.message());
    }
    // A share's folder is marked as an output folder too, for walks that look for the whole record.
    if (!Shard.Whole()) {
        fs::path Whole = PathOf(Folder) / OutputManifestName;
        if (!fs::exists(Whole, Error)) std::ofstream(Whole, std::ios::binary) << FirstLine << '\n';
        return;
    }
    for (const auto& Path : ManifestFiles(Folder))
        if (Path != Target) fs::remove(Path, Error);
}

} // namespace deraz
