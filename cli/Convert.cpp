#include "cli/Convert.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>
#include <unistd.h>

#include "cli/ProgressDisplay.h"
#include "driver/CodecSet.h"
#include "driver/ConvDriver.h"
#include "driver/FileNames.h"
#include "driver/MediaBin.h"
#include "driver/Settings.h"

namespace deraz {

namespace {

namespace fs = std::filesystem;

std::atomic<bool> Interrupted{false};

void Interrupt(int) {
    Interrupted = true;
}

// One job: its own components and driver, run on its own thread.
struct TJob {
    // A missing codec library fails only the files that need it.
    TCodecSet Codecs{true};
    TConvDriver Driver;
    TJob(const TCliOptions& Options, const TOutputChoice& Choice)
        : Driver(Codecs.Pipelines(), [Choice] { return Choice; }) {
        Driver.SetAllowWavToWav(true);
        Driver.SetUpdateOnly(Options.Update);
        Codecs.WaveOut->SetWavType(Options.ImaAdpcm.value_or(false) ? wtDVIADPCM : wtPCM);
        Codecs.WaveOut->SetBlockSize(Options.BlockSize.value_or(512));
    }
};

std::string FullName(const std::string& Name) {
    return fs::absolute(Name).lexically_normal().string();
}

// The batch through the media bin: every input with its output name, below -o in the folders it
// has below a folder input unless flat, equal names numbered; an existing output is replaced,
// left alone (those entries go to Kept) or avoided by a number, as IfExists says.
std::vector<TMediaEntry> MakeEntries(const TCliOptions& Options, const TOutputChoice& Choice,
                                     std::vector<TMediaEntry>& Kept) {
    TMediaBin Bin;
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
    if (Options.Covers)
        Bin.SetCoverRule(*Options.Covers ? crAlways : crNever);
    else
        Bin.SetCoverRule(Options.Flat ? crNever : crFolderEntries);
    Bin.Add(Options.Files);
    Kept = Bin.Kept();
    return Bin.Batch();
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
// batch, where the existing outputs left alone (Kept) count as skipped. Returns the exit status:
// 1 when any input was listed on standard error.
int PrintSummary(const TCliOptions& Options, const std::vector<TEntryResult>& Results,
                 const std::vector<TMediaEntry>& Kept) {
    TBatchSummary Summary;
    for (const auto& Result : Results) {
        if (Result.Outcome == eoConverted && !Result.Message.empty()) Summary.Notes.push_back(Result);
        if (Result.Outcome == eoConverted)
            ++Summary.Converted;
        else if (Result.Outcome == eoUpToDate)
            ++Summary.UpToDate;
        else
            Summary.Problems.push_back(Result);
    }
    int Status = Summary.Problems.empty() ? 0 : 1;
    if (Status != 0)
        std::fprintf(stderr, "deraz-convert: %zu of %zu files not converted:\n", Summary.Problems.size(),
                     Results.size());
    for (const auto& Problem : Summary.Problems)
        std::fprintf(stderr, "  %s: %s: %s\n", Problem.InputName.c_str(), OutcomeText(Problem.Outcome),
                     Problem.Message.c_str());
    for (const auto& Entry : Kept) Summary.Problems.push_back({0, Entry.InputName, eoSkipped, {}});
    if (Options.Quiet) return Status;
    for (const auto& Note : Summary.Notes)
        std::printf("deraz-convert: %s: %s: %s\n", Note.InputName.c_str(), OutcomeText(Note.Outcome),
                    Note.Message.c_str());
    std::printf("deraz-convert: %s\n", SummaryCounts(Summary).c_str());
    return Status;
}

} // namespace

int RunConversion(const TCliOptions& Options) {
    TOutputChoice Choice = ResolveOutputChoice(Options, TSettings().OutputChoice());
    std::vector<TMediaEntry> Kept;
    auto Queue = std::make_shared<TEntryQueue>(MakeEntries(Options, Choice, Kept));
    int32_t Jobs = JobCount(Options, size_t(Queue->Count()));

    std::vector<std::unique_ptr<TJob>> JobList;
    try {
        for (int32_t I = 0; I < Jobs; ++I) JobList.push_back(std::make_unique<TJob>(Options, Choice));
    } catch (const std::exception& E) {
        std::fprintf(stderr, "deraz-convert: %s\n", E.what());
        return 1;
    }

    // The progress counts every input, the existing outputs kept first.
    TProgressDisplay Display(DisplayMode(Options), Queue->Count() + int32_t(Kept.size()), std::max(Jobs, 1),
                             stdout);
    for (const auto& Entry : Kept)
        Display.EntryFinished(0, {0, Entry.InputName, eoSkipped, Entry.OutputName + " exists; it was kept."},
                              Entry);
    // Entries that no job reaches (after an interrupt) keep this.
    std::vector<TEntryResult> Results;
    for (int32_t I = 0; I < Queue->Count(); ++I)
        Results.push_back({I, Queue->Entry(I).InputName, eoNotStarted, "The conversion was interrupted."});
    std::mutex Mutex;
    std::condition_variable AllDone;
    int32_t Running = Jobs;

    std::signal(SIGINT, Interrupt);
    std::signal(SIGTERM, Interrupt);
    std::vector<std::thread> Threads;
    // Jobs is 0 when every output existed and was kept.
    for (int32_t I = 0; I < Jobs; ++I) {
        TConvDriver& Driver = JobList[size_t(I)]->Driver;
        Driver.OnEntryStarted = [&Display, I](TConvDriver*, int32_t, const TMediaEntry& Entry) {
            Display.EntryStarted(I, Entry);
        };
        Driver.OnProgress = [&Display, I](TConvDriver*, int32_t Percent) { Display.Progress(I, Percent); };
        Driver.OnEntryFinished = [&, I](TConvDriver*, const TEntryResult& Result) {
            {
                std::lock_guard Lock(Mutex);
                Results[size_t(Result.Index)] = Result;
            }
            Display.EntryFinished(I, Result, Queue->Entry(Result.Index));
        };
        Threads.emplace_back([&, I] {
            TConvDriver& Own = JobList[size_t(I)]->Driver;
            Own.Start(Queue);
            while (Own.Running()) {
                // Interrupted: the running file is stopped without output, the rest is left.
                if (Interrupted) Own.Abort();
                Own.WaitForEvents(std::chrono::milliseconds(100));
            }
            std::lock_guard Lock(Mutex);
            --Running;
            AllDone.notify_all();
        });
    }
    {
        std::unique_lock Lock(Mutex);
        while (!AllDone.wait_for(Lock, std::chrono::milliseconds(100), [&] { return Running == 0; })) {
            Lock.unlock();
            Display.Redraw();
            Lock.lock();
        }
    }
    for (auto& Thread : Threads) Thread.join();
    Display.Redraw();

    return PrintSummary(Options, Results, Kept);
}

} // namespace deraz
