#include "cli/Convert.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>

#include "cli/DeviceOptions.h"
#include "cli/InterruptibleWait.h"
#include "cli/ProgressDisplay.h"
#include "driver/AlbumGain.h"
#include "driver/CodecSet.h"
#include "driver/LibraryRun.h"
#include "driver/MediaBin.h"
#include "driver/ParallelBatch.h"
#include "driver/Settings.h"

namespace deraz {

namespace {

namespace fs = std::filesystem;

// Every job converts WAV to WAV, writes WAV as the options say, and fails only the files whose
// codec library is missing.
TBatchSetup BatchSetup(const TCliOptions& Options) {
    TWavType WavType = Options.ImaAdpcm.value_or(false) ? wtDVIADPCM : wtPCM;
    int32_t BlockSize = Options.BlockSize.value_or(512);
    TBatchSetup Setup;
    Setup.AllowMissingLibraries = true;
    Setup.AllowWavToWav = true;
    Setup.SetUpCodecs = [WavType, BlockSize](TCodecSet& Codecs) {
        Codecs.WaveOut->SetWavType(WavType);
        Codecs.WaveOut->SetBlockSize(BlockSize);
    };
    return Setup;
}

std::string FullName(const std::string& Name) {
    return fs::absolute(Name).lexically_normal().string();
}

// The batch through the media bin: every input with its output name, below -o in the folders it
// has below a folder input unless flat, equal names numbered; an existing output is replaced,
// left alone (those entries go to Kept) or avoided by a number, as IfExists says.
void FillMediaBin(TMediaBin& Bin, const TCliOptions& Options, const TOutputChoice& Choice) {
    if (!Options.OutputDir.empty()) {
        std::error_code Error;
        fs::create_directories(Options.OutputDir, Error);
        if (!fs::is_directory(Options.OutputDir))
            throw EUsageError("cannot make the output directory " + Options.OutputDir +
                              (Error ? ": " + Error.message() : ""));
        Bin.SetOutputDirectory(FullName(Options.OutputDir));
    }
    Bin.SetOutputExtension(OutputExtension(Choice.DestExt));
    Bin.SetKeepFolders(!Options.Flat);
    Bin.SetIfExists(Options.IfExists);
    if (auto Covers = CoversFor(Options, TSettings()))
        Bin.SetCoverRule(*Covers ? crAlways : crNever);
    else
        Bin.SetCoverRule(Options.Flat ? crNever : crFolderEntries);
    Bin.Add(Options.Files);
}

TLibraryOptions LibraryOptions(const TCliOptions& Options, const TOutputChoice& Choice) {
    TLibraryOptions Library;
    Library.CopyTags = Choice.CopyTags;
    if (Options.Names) Library.Names.emplace(*Options.Names);
    Library.Mirror = Options.Mirror;
    Library.UpdateOnly = Options.Update;
    Library.Shard = Options.Shard;
    return Library;
}

// Lists what a run would do and changes nothing.
int PrintDryRun(const TLibraryRun& Run) {
    for (const auto& Line : Run.PlanLines()) std::printf("%s\n", Line.c_str());
    return 0;
}

void AddNote(TEntryResult& Result, const std::string& Note) {
    Result.Message = Result.Message.empty() ? Note : Result.Message + " " + Note;
}

int32_t JobCount(const TCliOptions& Options, size_t Files) {
    size_t Jobs = Options.Jobs > 0 ? size_t(Options.Jobs) : std::max(1u, std::thread::hardware_concurrency());
    return int32_t(std::min(Jobs, Files));
}

TProgressDisplay::TMode DisplayMode(const TCliOptions& Options) {
    if (Options.Quiet) return TProgressDisplay::pmQuiet;
    return isatty(fileno(stdout)) ? TProgressDisplay::pmBars : TProgressDisplay::pmLines;
}

// Lists every input that was neither converted nor up to date, with its reason, on standard
// error; then, unless quiet, what there is to know about the converted ones and the counts of the
// batch, where the existing outputs left alone (Kept) count as skipped, and what keeping the output
// folder in step did. Returns the exit status: 1 when any input was listed on standard error.
int PrintSummary(const TCliOptions& Options, const std::vector<TEntryResult>& Results,
                 const std::vector<TMediaEntry>& Kept, const TLibraryReport& Library, int32_t UpToDate) {
    TBatchSummary Summary;
    Summary.UpToDate = UpToDate;
    Summary.Retagged = Library.Retagged;
    Summary.Removed = int32_t(Library.Removed.size());
    Summary.Problems = Library.Problems;
    for (const auto& Result : Results) {
        if (Result.Outcome == eoConverted && !Result.Message.empty()) Summary.Notes.push_back(Result);
        if (Result.Outcome == eoConverted)
            ++(Result.Copied ? Summary.Copied : Summary.Converted);
        else if (Result.Outcome == eoUpToDate)
            ++Summary.UpToDate;
        else
            Summary.Problems.push_back(Result);
    }
    int Status = Summary.Problems.empty() ? 0 : 1;
    if (Status != 0)
        std::fprintf(stderr, "deraz-convert: %zu of %zu files not converted:\n", Summary.Problems.size(),
                     Results.size() + Library.Problems.size());
    for (const auto& Problem : Summary.Problems)
        std::fprintf(stderr, "  %s: %s: %s\n", Problem.InputName.c_str(), OutcomeText(Problem.Outcome),
                     Problem.Message.c_str());
    for (const auto& Entry : Kept) Summary.Problems.push_back({0, Entry.InputName, eoSkipped, {}});
    if (Options.Quiet) return Status;
    for (const auto& Output : Library.Removed)
        std::printf("deraz-convert: removed %s: its source is gone\n", Output.c_str());
    for (const auto& Note : Summary.Notes)
        std::printf("deraz-convert: %s: %s: %s\n", Note.InputName.c_str(), OutcomeText(Note.Outcome),
                    Note.Message.c_str());
    std::printf("deraz-convert: %s\n", SummaryCounts(Summary).c_str());
    return Status;
}

// Converts Entries on Batch until it ends, on this thread: an interrupt stops the running files
// without output and starts nothing more.
void RunBatch(TParallelBatch& Batch, std::vector<TMediaEntry> Entries, TInterruptibleWait& Waiting,
              TProgressDisplay& Display) {
    Batch.Start(std::move(Entries));
    while (Batch.Running()) {
        if (Waiting.Wait()) Batch.Abort();
        Batch.ProcessEvents();
        Display.Redraw();
    }
}

} // namespace

int RunConversion(const TCliOptions& Options) {
    TSettings Settings;
    TOutputChoice Choice = ResolveOutputChoice(Options, StartingChoice(Options, Settings));
    if (Options.SaveProfile) {
        try {
            Settings.WriteProfile(*Options.SaveProfile, Choice, CoversFor(Options, Settings).value_or(true));
        } catch (const EProfileError& E) {
            throw EUsageError(E.what());
        }
        if (!Options.Quiet)
            std::printf("deraz-convert: profile \"%s\" saved.\n", Options.SaveProfile->c_str());
        if (Options.Files.empty()) return 0;
    }
    TMediaBin Bin;
    FillMediaBin(Bin, Options, Choice);
    TLibraryRun Library(Bin, LibraryOptions(Options, Choice));
    Library.Plan();
    if (Options.DryRun) return PrintDryRun(Library);
    TLibraryReport Done = Library.ApplyWithoutConverting();
    const std::vector<TMediaEntry> Kept = Bin.Kept();
    const std::vector<TMediaEntry> Entries = Library.Entries();
    int32_t Jobs = JobCount(Options, Entries.size());
    // The media bin gives every entry an output of its own, so these are the batch's output names.
    std::optional<TAlbumGain> Albums;
    if (Choice.ReplayGain == gmAlbum) Albums.emplace(Entries);

    // Made before the batch, which wakes it, and kept until the batch is gone.
    TInterruptibleWait Waiting;
    std::unique_ptr<TParallelBatch> Batch;
    try {
        Batch = std::make_unique<TParallelBatch>([Choice] { return Choice; }, BatchSetup(Options));
    } catch (const std::exception& E) {
        std::fprintf(stderr, "deraz-convert: %s\n", E.what());
        return 1;
    }
    Batch->SetJobs(Jobs);
    Batch->OnEventPosted = [&Waiting] { Waiting.Wake(); };

    // The progress counts every input, the existing outputs kept first.
    TProgressDisplay Display(DisplayMode(Options), int32_t(Entries.size() + Kept.size()), std::max(Jobs, 1),
                             stdout);
    for (const auto& Entry : Kept)
        Display.EntryFinished(0, {0, Entry.InputName, eoSkipped, Entry.OutputName + " exists; it was kept."},
                              Entry);
    // Entries that no job reaches (after an interrupt) keep this.
    std::vector<TEntryResult> Results;
    for (size_t I = 0; I < Entries.size(); ++I)
        Results.push_back(
            {int32_t(I), Entries[I].InputName, eoNotStarted, "The conversion was interrupted."});
    Batch->OnEntryStarted = [&Display](TParallelBatch* Sender, int32_t Index, const TMediaEntry& Entry) {
        Display.EntryStarted(Sender->EntryJob(Index), Entry);
    };
    Batch->OnEntryProgress = [&Display](TParallelBatch*, int32_t Job, int32_t, int32_t Percent) {
        Display.Progress(Job, Percent);
    };
    Batch->OnEntryFinished = [&](TParallelBatch* Sender, const TEntryResult& Result) {
        Results[size_t(Result.Index)] = Result;
        if (Result.Outcome == eoConverted) Library.Converted(Entries[size_t(Result.Index)].OutputName);
        if (Albums) Albums->EntryFinished(Result);
        Display.EntryFinished(Sender->EntryJob(Result.Index), Result, Entries[size_t(Result.Index)]);
    };
    // Nothing to start when every output existed and was kept.
    if (!Entries.empty()) RunBatch(*Batch, Entries, Waiting, Display);
    Display.Redraw();
    if (Albums)
        for (const auto& Note : Albums->Notes()) AddNote(Results[size_t(Note.Index)], Note.Message);

    try {
        Library.SaveManifest();
    } catch (const std::exception& E) {
        Done.Problems.push_back({0, Options.OutputDir, eoFailed, E.what()});
    }
    return PrintSummary(Options, Results, Kept, Done, Library.UpToDate());
}

} // namespace deraz
