#include "driver/AlbumGain.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "analysis/TagReader.h"
#include "driver/FileNames.h"
#include "driver/Loudness.h"
#include "driver/ReplayGainTags.h"
#include "platform/Paths.h"

namespace deraz {

namespace {

std::string First(const TTagSet& Tags, const char* Name) {
    auto Found = Tags.Fields.find(Name);
    return Found == Tags.Fields.end() || Found->second.empty() ? std::string() : Found->second.front();
}

const char* const TrackValuesOnly =
    "not every track of its album converted, so the album has track ReplayGain values only.";

} // namespace

std::string TAlbumGain::AlbumKey(const std::string& InputName) {
    TTagSet Tags = ReadTags(InputName);
    std::string Album = First(Tags, "ALBUM");
    if (Album.empty()) return "folder\n" + NameOf(PathOf(InputName).parent_path());
    std::string Artist = First(Tags, "ALBUMARTIST");
    if (Artist.empty()) Artist = First(Tags, "ARTIST");
    return "tags\n" + Artist + "\n" + Album + "\n" + First(Tags, "DISCNUMBER");
}

TAlbumGain::TAlbumGain(const std::vector<TMediaEntry>& Entries) : FEntries(Entries) {
    for (int32_t Index = 0; Index < int32_t(FEntries.size()); ++Index) {
        FKeys.push_back(AlbumKey(FEntries[size_t(Index)].InputName));
        FAlbums[FKeys.back()].Members.push_back(Index);
    }
}

void TAlbumGain::Note(int32_t Index, std::string Message) {
    FNotes.push_back({Index, FEntries[size_t(Index)].InputName, eoConverted, std::move(Message)});
}

void TAlbumGain::EntryFinished(const TEntryResult& Result) {
    std::lock_guard Lock(FMutex);
    if (Result.Index < 0 || Result.Index >= int32_t(FKeys.size())) return;
    TAlbum& Album = FAlbums[FKeys[size_t(Result.Index)]];
    Album.Finished.insert_or_assign(Result.Index, Result);
    if (Album.Finished.size() == Album.Members.size()) Complete(Album);
}

int32_t TAlbumGain::NoteHolder(const TAlbum& Album) {
    for (const auto& [Index, Result] : Album.Finished)
        if (Result.Outcome == eoConverted) return Index;
    return Album.Members.front();
}

void TAlbumGain::Complete(TAlbum& Album) {
    Album.Reported = true;
    std::vector<const TTrackLoudness*> Tracks;
    for (const auto& [Index, Result] : Album.Finished)
        if (Result.Outcome == eoConverted && Result.Loudness) Tracks.push_back(Result.Loudness.get());
    if (Tracks.size() != Album.Members.size()) {
        Note(NoteHolder(Album), TrackValuesOnly);
        return;
    }
    double Loudness = AlbumLoudness(Tracks);
    if (!std::isfinite(Loudness)) {
        Note(NoteHolder(Album), "its album is silent, so it has no album ReplayGain values.");
        return;
    }
    TGainValues Values{ReplayGainOf(Loudness), 0};
    for (const auto* Track : Tracks) Values.Peak = std::max(Values.Peak, Track->Peak);
    for (int32_t Index : Album.Members) {
        const std::string& Output = FEntries[size_t(Index)].OutputName;
        try {
            WriteGainFields(Output, ExtractFileExt(Output), AlbumGainFields(Values));
        } catch (const std::exception& E) {
            Note(Index, E.what());
        }
    }
}

std::vector<TEntryResult> TAlbumGain::Notes() {
    std::lock_guard Lock(FMutex);
    for (auto& [Key, Album] : FAlbums)
        if (!Album.Reported && !Album.Finished.empty()) Note(NoteHolder(Album), TrackValuesOnly);
    std::vector<TEntryResult> Notes = std::move(FNotes);
    FNotes.clear();
    SortByEntry(Notes);
    return Notes;
}

void TAlbumGain::AddNotesTo(TBatchSummary& Summary) {
    TBatchSummary Albums;
    Albums.Notes = Notes();
    AddSummary(Summary, Albums);
}

} // namespace deraz
