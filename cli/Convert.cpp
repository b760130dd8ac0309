#include "cli/Convert.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include <unistd.h>

#include "cli/DeviceOptions.h"
#include "cli/InterruptibleWait.h"
#include "cli/ProgressDisplay.h"
#include "driver/AlbumGain.h"
#include "driver/CodecSet.h"
#include "driver/InputFiles.h"
#include "driver/LibraryRun.h"
#include "driver/MediaBin.h"
#include "driver/OutputFiles.h"
#include "driver/ParallelBatch.h"
#include "driver/Settings.h"
#include "platform/Paths.h"

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
    return NameOf(fs::absolute(PathOf(Name)).lexically_normal());
}

// What a run found before converting: the inputs that name nothing, what the folder walks left
// out, and the temporary files of earlier runs removed from the output folders.
struct TPreparation {
    std::vector<std::string> Missing;
    TWalkReport Walk;
    int32_t StaleRemoved = 0;
};

// Makes the output folder; stops the run with one line when it cannot be written.
void PrepareOutputFolder(const std::string& OutputDir) {
    std::error_code Error;
    fs::create_directories(PathOf(OutputDir), Error);
    if (!fs::is_directory(PathOf(OutputDir)))
        throw EUsageError("cannot make the output directory " + OutputDir +
                          (Error ? ": " + Error.message() : ""));
    RequireWritableFolder(OutputDir);
}

// The batch through the media bin: every input with its output name, below -o in the folders it
// has below the folder inputs unless flat, equal names numbered; an existing output is replaced,
// left alone (those entries go to Kept) or avoided by a number, as IfExists says.
void FillMediaBin(TMediaBin& Bin, const TCliOptions& Options, const TOutputChoice& Choice,
                  TPreparation& Found) {
    if (!Options.OutputDir.empty()) {
        PrepareOutputFolder(Options.OutputDir);
        Bin.SetOutputDirectory(FullName(Options.OutputDir));
    }
    Bin.SetOutputExtension(OutputExtension(Choice.DestExt));
    Bin.SetKeepFolders(!Options.Flat);
    Bin.SetIfExists(Options.IfExists);
    if (auto Covers = CoversFor(Options, TSettings()))
        Bin.SetCoverRule(*Covers ? crAlways : crNever);
    else
        Bin.SetCoverRule(Options.Flat ? crNever : crFolderEntries);
    std::vector<std::string> Present;
    for (const auto& Name : Options.Files) {
        std::error_code Error;
        // By its UTF-8 name, which a path made from the string would read in the ANSI code page on Windows.
        bool Missing = fs::symlink_status(fs::u8path(Name), Error).type() == fs::file_type::not_found;
        (Missing ? Found.Missing : Present).push_back(Name);
    }
    Bin.Add(ExpandInputs(Present, Bin.OutputDirectory(), &Found.Walk));
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

// Removes what killed runs left in the folders the entries write into.
int32_t RemoveStaleOutputs(const std::vector<TMediaEntry>& Entries) {
    std::set<fs::path> Folders;
    for (const auto& Entry : Entries) Folders.insert(PathOf(Entry.OutputName).parent_path());
    int32_t Removed = 0;
    for (const auto& Folder : Folders) Removed += RemoveStaleTemporaries(NameOf(Folder));
    return Removed;
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

void PrintEntry(std::FILE* Out, const TEntryResult& Result) {
    std::fprintf(Out, "  %s: %s: %s\n", Result.InputName.c_str(), OutcomeText(Result.Outcome),
                 Result.Message.c_str());
}

// "Stopped: 12 converted, 38 not started.", with the entries up to date, failed and stopped on
// the way when there are any.
std::string StoppedLine(const TBatchSummary& Summary) {
    int32_t Failed = 0, Stopped = 0, NotStarted = 0;
    for (const auto& Problem : Summary.Problems)
        ++(Problem.Outcome == eoStopped ? Stopped : Problem.Outcome == eoNotStarted ? NotStarted : Failed);
    std::string Text = "Stopped: " + std::to_string(Summary.Converted) + " converted";
    for (auto [Count, What] :
         {std::pair{Summary.UpToDate, " up to date"}, {Failed, " failed"}, {Stopped, " stopped"}})
        if (Count > 0) Text += ", " + std::to_string(Count) + What;
    return Text + ", " + std::to_string(NotStarted) + " not started.";
}

// Lists every input that failed, could not be converted or was stopped, with its reason, on
// standard error, and with -v also those up to date, kept or not started; then, unless quiet,
// the notes of the converted ones, the counts of the batch and what was left out. After an
// interrupt, one line of counts instead. Returns the exit status: 130 after an interrupt, 1 when
// any input was missing or not converted, else 0. What keeping the output folder in step did is
// counted, and its failures listed, with the rest.
int PrintSummary(const TCliOptions& Options, const std::vector<TEntryResult>& Results,
                 const std::vector<TMediaEntry>& Kept, const TPreparation& Found, bool Interrupted,
                 const TLibraryReport& Library, int32_t UpToDate) {
    TBatchSummary Summary;
    Summary.UpToDate = UpToDate;
    Summary.Retagged = Library.Retagged;
    Summary.Removed = int32_t(Library.Removed.size());
    // Listed only with -v: what an interrupt stopped or never started, and what was up to date.
    std::vector<TEntryResult> Failures, Routine;
    for (const auto& Result : Results) {
        if (Result.Outcome == eoConverted && !Result.Message.empty()) Summary.Notes.push_back(Result);
        if (Result.Outcome == eoConverted)
            ++(Result.Copied ? Summary.Copied : Summary.Converted);
        else if (Result.Outcome == eoUpToDate)
            ++Summary.UpToDate;
        else
            Summary.Problems.push_back(Result);
        bool Interruption = Result.Outcome == eoNotStarted || (Interrupted && Result.Outcome == eoStopped);
        if (Interruption || Result.Outcome == eoUpToDate)
            Routine.push_back(Result);
        else if (Result.Outcome != eoConverted)
            Failures.push_back(Result);
    }
    Summary.Problems.insert(Summary.Problems.end(), Library.Problems.begin(), Library.Problems.end());
    Failures.insert(Failures.end(), Library.Problems.begin(), Library.Problems.end());
    size_t FailureCount = Failures.size() + Found.Missing.size();
    if (FailureCount > 0)
        std::fprintf(stderr, "deraz-convert: %zu of %zu files not converted:\n", FailureCount,
                     Results.size() + Found.Missing.size());
    for (const auto& Name : Found.Missing)
        std::fprintf(stderr, "  No such file or folder: %s\n", Name.c_str());
    for (const auto& Failure : Failures) PrintEntry(stderr, Failure);
    if (Options.Verbose) {
        for (const auto& Result : Routine) PrintEntry(stdout, Result);
        for (const auto& Entry : Kept)
            std::printf("  %s: kept: %s exists\n", Entry.InputName.c_str(), Entry.OutputName.c_str());
    }
    if (Interrupted) {
        std::fprintf(stderr, "deraz-convert: %s\n", StoppedLine(Summary).c_str());
        return 130;
    }
    for (const auto& Entry : Kept) Summary.Problems.push_back({0, Entry.InputName, eoSkipped, {}});
    if (!Options.Quiet) {
        for (const auto& Output : Library.Removed)
            std::printf("deraz-convert: removed %s: its source is gone\n", Output.c_str());
        for (const auto& Note : Summary.Notes)
            std::printf("deraz-convert: %s: %s: %s\n", Note.InputName.c_str(), OutcomeText(Note.Outcome),
                        Note.Message.c_str());
        std::printf("deraz-convert: %s\n", SummaryCounts(Summary).c_str());
        if (Found.Walk.Total() > 0) std::printf("deraz-convert: left out %s\n", Found.Walk.Text().c_str());
        if (Found.StaleRemoved > 0)
            std::printf("deraz-convert: removed %d temporary file%s left by an earlier run that was killed\n",
                        Found.StaleRemoved, Found.StaleRemoved == 1 ? "" : "s");
    }
    return FailureCount > 0 ? 1 : 0;
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
    TPreparation Found;
    try {
        FillMediaBin(Bin, Options, Choice, Found);
    } catch (const EUsageError&) {
        throw;
    } catch (const std::exception& E) {
        // An output folder that cannot be written: one line, nothing started.
        std::fprintf(stderr, "deraz-convert: %s\n", E.what());
        return 1;
    }
    TLibraryRun Library(Bin, LibraryOptions(Options, Choice));
    Library.Plan();
    if (Options.DryRun) return PrintDryRun(Library);
    TLibraryReport Done = Library.ApplyWithoutConverting();
    const std::vector<TMediaEntry> Kept = Bin.Kept();
    const std::vector<TMediaEntry> Entries = Library.Entries();
    Found.StaleRemoved = RemoveStaleOutputs(Entries);
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
    TProgressDisplay Display(DisplayMode(Options), Options.Verbose, int32_t(Entries.size() + Kept.size()),
                             std::max(Jobs, 1), stdout);
    for (const auto& Entry : Kept) Display.EntryKept(Entry);
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
    return PrintSummary(Options, Results, Kept, Found, Waiting.Interrupted(), Done, Library.UpToDate());
}

} // namespace deraz
