// Album ReplayGain for a batch: its entries grouped into albums, and each album's values written
// into every track once the album's last track has converted. It sits beside the batch and learns
// of it only through the entries' results, which carry their tracks' loudness.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "driver/ConvDriver.h"

namespace deraz {

class TAlbumGain {
public:
    // Entries that share album artist (else artist), album and disc number form an album; entries
    // without an album tag form one per input folder.
    explicit TAlbumGain(const std::vector<TMediaEntry>& Entries);

    // Records an entry's result; when it is the last of its album, writes the album's values into
    // the album's outputs (a tag rewrite; a failed one leaves the output as it was). Safe to call
    // from several threads.
    void EntryFinished(const TEntryResult& Result);
    // What the batch's summary should say about albums: tracks whose album values could not be
    // written, and albums that got track values only, because not every track converted (also
    // those the batch never finished). Call once the batch has ended.
    std::vector<TEntryResult> Notes();
    // Adds Notes to a batch's summary.
    void AddNotesTo(TBatchSummary& Summary);

    // The album key of an input: what groups it with others.
    static std::string AlbumKey(const std::string& InputName);

private:
    struct TAlbum {
        std::vector<int32_t> Members;
        std::map<int32_t, TEntryResult> Finished;
        bool Reported = false;
    };
    void Complete(TAlbum& Album);
    // The entry whose result tells about its album: the first that converted, if any did.
    static int32_t NoteHolder(const TAlbum& Album);
    void Note(int32_t Index, std::string Message);

    std::vector<TMediaEntry> FEntries;
    std::vector<std::string> FKeys; // by entry
    std::map<std::string, TAlbum> FAlbums;
    std::vector<TEntryResult> FNotes;
    std::mutex FMutex;
};

} // namespace deraz
