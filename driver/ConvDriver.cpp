#include "driver/ConvDriver.h"

#include <algorithm>
#include <filesystem>

#include "driver/AlbumGainApplied.h"
#include "driver/BitrateCap.h"
#include "driver/CopyCompatible.h"
#include "driver/CoverFiles.h"
#include "driver/DeviceOutput.h"
#include "driver/FileNames.h"
#include "driver/Loudness.h"
#include "driver/OutputFiles.h"
#include "driver/TagCopy.h"
#include "platform/Paths.h"

namespace deraz {

namespace {

// Error texts of the worker name the temporary file; the user knows the final one.
std::string WithFinalName(std::string Message, const std::string& TemporaryName,
                          const std::string& FinalName) {
    for (size_t At = Message.find(TemporaryName); At != std::string::npos;
         At = Message.find(TemporaryName, At + FinalName.size()))
        Message.replace(At, TemporaryName.size(), FinalName);
    return Message;
}

// "The input file could not be decoded.", with the source's reason when it gave one.
std::string UndecodableMessage(const TACSFileIn& Source) {
    std::string Message = "The input file could not be decoded.";
    return Source.DecodeError().empty() ? Message : Message + " " + Source.DecodeError();
}

// A summary shows one line per entry: what a library adds on further lines stays out.
std::string FirstLine(std::string Text) {
    Text.resize(std::min(Text.find_first_of("\r\n"), Text.size()));
    return Text;
}

std::string JoinedNotes(const std::string& First, const std::string& Second) {
    return First.empty() || Second.empty() ? First + Second : First + " " + Second;
}

std::string ParentFolder(const std::string& FileName) {
    return NameOf(PathOf(FileName).parent_path());
}

} // namespace

const char* OutcomeText(TEntryOutcome Outcome) {
    switch (Outcome) {
    case eoConverted:
        return "converted";
    case eoFailed:
        return "failed";
    case eoSkipped:
        return "skipped";
    case eoStopped:
        return "stopped";
    case eoNotStarted:
        return "not started";
    case eoUpToDate:
        return "up to date";
    }
    return "";
}

void SortByEntry(std::vector<TEntryResult>& Results) {
    std::sort(Results.begin(), Results.end(),
              [](const TEntryResult& A, const TEntryResult& B) { return A.Index < B.Index; });
}

std::string SummaryCounts(const TBatchSummary& Summary) {
    auto Count = [&](TEntryOutcome Outcome) {
        return std::count_if(Summary.Problems.begin(), Summary.Problems.end(),
                             [&](const TEntryResult& R) { return R.Outcome == Outcome; });
    };
    std::string Text = std::to_string(Summary.Converted) + " converted, " + std::to_string(Summary.UpToDate) +
                       " up to date, " + std::to_string(Count(eoFailed)) + " failed, " +
                       std::to_string(Count(eoSkipped)) + " skipped";
    if (Summary.Copied > 0)
        Text.insert(Text.find(" converted, ") + 12, std::to_string(Summary.Copied) + " copied, ");
    if (Summary.Retagged > 0) Text += ", " + std::to_string(Summary.Retagged) + " retagged";
    if (Summary.Removed > 0) Text += ", " + std::to_string(Summary.Removed) + " removed";
    for (TEntryOutcome Outcome : {eoStopped, eoNotStarted})
        if (Count(Outcome) > 0) Text += ", " + std::to_string(Count(Outcome)) + " " + OutcomeText(Outcome);
    return Text;
}

std::string CompletionMessage(const TBatchSummary& Summary) {
    std::string Text = "Convertion completed!\n" + SummaryCounts(Summary) + ".";
    std::vector<TEntryResult> Lines = Summary.Problems;
    Lines.insert(Lines.end(), Summary.Notes.begin(), Summary.Notes.end());
    SortByEntry(Lines);
    for (const auto& Line : Lines)
        Text += "\n" + Line.InputName + ": " + OutcomeText(Line.Outcome) + ": " + Line.Message;
    return Text;
}

void AddSummary(TBatchSummary& Total, const TBatchSummary& Part) {
    Total.Count += Part.Count;
    Total.Converted += Part.Converted;
    Total.Copied += Part.Copied;
    Total.UpToDate += Part.UpToDate;
    Total.Aborted = Total.Aborted || Part.Aborted;
    Total.Problems.insert(Total.Problems.end(), Part.Problems.begin(), Part.Problems.end());
    Total.Notes.insert(Total.Notes.end(), Part.Notes.begin(), Part.Notes.end());
    SortByEntry(Total.Problems);
    SortByEntry(Total.Notes);
}

TConvDriver::TConvDriver(TPipelineTable& Pipelines, std::function<TOutputChoice()> ReadOutputChoice)
    : FPipelines(Pipelines), FReadOutputChoice(std::move(ReadOutputChoice)),
      FFilters(std::make_unique<TDeviceFilters>()) {
    FChannel->Owner = this;
    for (const auto& Row : FPipelines.Sinks()) {
        Row.Sink->OnProgress = [Channel = FChannel](TComponent* Sender) {
            auto* Sink = static_cast<TACSOutput*>(Sender);
            Post(*Channel, {ekProgress, Sink, Sink->Progress(), {}});
        };
        Row.Sink->OnDone = [Channel = FChannel](TComponent* Sender) {
            Post(*Channel, {ekDone, static_cast<TACSOutput*>(Sender), 100, {}});
        };
        Row.Sink->OnThreadException = [Channel = FChannel](TComponent* Sender, const std::exception& E) {
            Post(*Channel, {ekException, static_cast<TACSOutput*>(Sender), 0, E.what()});
        };
    }
}

TConvDriver::~TConvDriver() {
    if (Running()) {
        Abort();
        RunToEnd();
    }
    std::lock_guard Lock(FChannel->Mutex);
    FChannel->Owner = nullptr;
}

void TConvDriver::Start(std::shared_ptr<TEntryQueue> Queue) {
    if (Running()) throw std::runtime_error("A conversion is already running.");
    if (!Queue || Queue->Count() == 0) throw std::runtime_error("No files added to media bin!");
    FQueue = std::move(Queue);
    FSummary = {};
    FCoverFolders.clear();
    FAborting = false;
    StartNext();
}

void TConvDriver::Abort() {
    if (!Running() || FAborting) return;
    FAborting = true;
    for (int32_t Index = FQueue->Close(); Index < FQueue->Count(); ++Index)
        FSummary.Problems.push_back(
            {Index, FQueue->Entry(Index).InputName, eoNotStarted, "The batch was aborted."});
    // Without a running sink the driver is between two entries, inside one of its own events;
    // StartNext then ends the batch.
    if (FCurrentSink) FCurrentSink->Stop();
}

void TConvDriver::ProcessEvents() {
    std::deque<TEvent> Events;
    {
        std::lock_guard Lock(FChannel->Mutex);
        Events.swap(FChannel->Events);
    }
    for (const auto& Event : Events) Handle(Event);
}

void TConvDriver::WaitForEvents(std::chrono::milliseconds Timeout) {
    {
        std::unique_lock Lock(FChannel->Mutex);
        FChannel->Posted.wait_for(Lock, Timeout, [this] { return !FChannel->Events.empty(); });
    }
    ProcessEvents();
}

void TConvDriver::RunToEnd() {
    while (Running()) WaitForEvents(std::chrono::hours(1));
}

void TConvDriver::ConvertEntry(const std::string& InputName, const std::string& OutputName) {
    std::string InputExt = LowerCase(ExtractFileExt(InputName));
    std::string OutputExt = LowerCase(ExtractFileExt(OutputName));
    const TSourceRow* Source = FPipelines.FindSource(InputExt);
    const TSinkRow* Sink = FPipelines.FindSink(OutputExt);
    using TRole = TPipelineTable::TRole;
    if (auto* Reason = Source ? nullptr : FPipelines.Unavailable(TRole::Source, InputExt))
        throw std::runtime_error(*Reason);
    if (auto* Reason = Sink ? nullptr : FPipelines.Unavailable(TRole::Sink, OutputExt))
        throw std::runtime_error(*Reason);
    if (!Source)
        throw EEntrySkipped(InputExt.empty() ? "The input file has no extension."
                                             : "Input files of type " + InputExt + " cannot be converted.");
    if (!Sink)
        throw EEntrySkipped(OutputExt.empty() ? "The output file has no extension."
                                              : "Output files of type " + OutputExt + " cannot be written.");
    const TFormat* InputFormat = FindInputFormat(InputExt);
    if (InputFormat && InputFormat->SinkCode == scWaveOut && FindInputFormat(OutputExt) == InputFormat &&
        !FAllowWavToWav)
        throw EEntrySkipped("WAV files are not converted to WAV.");
    // Checked before any file is opened: the input must never be the file that is written.
    if (SameFile(InputName, OutputName))
        throw std::runtime_error("The output file is the input file; it was left untouched.");
    RequireRegularFile(InputName);
    if (FUpdateOnly && OutputUpToDate(InputName, OutputName))
        throw EEntryUpToDate(OutputName + " is not older than the input; it was kept.");

    // A file its source cannot decode would make an empty output: refuse it before writing.
    TACSFileIn* Input = Source->Source;
    Input->SetFileName(InputName);
    try {
        Input->OpenFile();
    } catch (...) {
        Input->Reset(); // a source that failed to open is left idle for the next file
        throw;
    }
    bool Decodable = Input->Valid();
    // A file of tags without audio (an MP3 of ID3 tags alone) converts to an output that TagLib
    // cannot open, so such an output carries no tags, and says so.
    const bool NoAudio = Input->Size() == 0;
    const TPcmFormat Format{Input->SampleRate(), Input->BitsPerSample(), Input->Channels()};
    Input->CloseFile();
    if (!Decodable) throw std::runtime_error(UndecodableMessage(*Input));
    MakeOutputFolder(OutputName);

    TOutputChoice Choice = FReadOutputChoice();
    const int32_t InputKbps = Choice.CapBitrate || Choice.CopyCompatible ? LossyInputBitrate(InputName) : 0;
    if (Choice.CapBitrate) Choice = CapToInputBitrate(Choice, InputKbps);
    if (Choice.CopyTags) RequireTagCopy();
    if (Choice.CopyCompatible && CanCopyUnchanged(Choice, InputExt, Format, InputKbps)) {
        CopyEntry(InputName, OutputName, Choice);
        throw EEntryCopied("Copied without converting.");
    }
    const TDevicePlan Plan = PlanDeviceOutput(Choice.Limits, Format, !LevelBitrates(Choice.DestExt).empty());
    FPlanNote = Plan.Note();
    if (NoAudio && Choice.CopyTags)
        FPlanNote = JoinedNotes(FPlanNote, "The output holds no audio, so it carries no tags.");
    FSourceNote = JoinedNotes(Input->Note(), FPlanNote);

    FActiveSink = Sink->Code;
    ReportProgress(0);
    std::function<TAppliedGain()> AlbumGain;
    if (FAlbumGains) AlbumGain = [Gains = FAlbumGains, InputName] { return Gains->GainOf(InputName); };
    FActiveMeter = ConnectMeter(FMeter, Choice, OutputExt, FFilters->Connect(Plan, Input), *Sink->Sink,
                                std::move(AlbumGain));
    if (Sink->ApplyLevel) Sink->ApplyLevel(Choice);
    FTagSource = Choice.CopyTags && !NoAudio ? InputName : std::string();
    FFinalName = OutputName;
    FTemporaryName = TemporaryOutputName(OutputName);
    Sink->Sink->SetFileName(FTemporaryName);
    FCurrentSink = Sink->Sink;
    FCurrentSource = Source->Source;
    try {
        Sink->Sink->Run();
    } catch (...) {
        FCurrentSink = nullptr;
        throw;
    }
}

void TConvDriver::CopyEntry(const std::string& InputName, const std::string& OutputName,
                            const TOutputChoice& Choice) {
    const std::string TemporaryName = TemporaryOutputName(OutputName);
    try {
        CopyUnchanged(InputName, TemporaryName);
        if (Choice.CopyTags) CopyTags(InputName, TemporaryName, ExtractFileExt(OutputName));
        CommitOutput(TemporaryName, OutputName);
    } catch (const std::exception& E) {
        DiscardOutput(TemporaryName);
        throw std::runtime_error(WithFinalName(E.what(), TemporaryName, OutputName));
    }
}

void TConvDriver::Post(TChannel& Channel, TEvent Event) {
    // Everything under the lock: once the driver has taken it in its destructor, no worker
    // reaches the driver any more.
    std::lock_guard Lock(Channel.Mutex);
    if (!Channel.Owner) return;
    Channel.Events.push_back(std::move(Event));
    Channel.Posted.notify_all();
    if (Channel.Owner->OnEventPosted) Channel.Owner->OnEventPosted();
}

void TConvDriver::Handle(const TEvent& Event) {
    // Reports of a conversion that is no longer current are stale.
    if (!FCurrentSink || Event.Sender != FCurrentSink) return;
    switch (Event.Kind) {
    case ekProgress:
        ReportProgress(Event.Percent);
        return;
    case ekDone:
        // A source that found its file undecodable delivered nothing: no output for it.
        if (!FCurrentSource->Valid()) {
            DiscardOutput(FTemporaryName);
            RecordResult(eoFailed, UndecodableMessage(*FCurrentSource));
            break;
        }
        // A shortened file under the final name would pass for a finished conversion.
        if (RecordedAsStopped()) break;
        try {
            // Tags go into the temporary file, so an output whose tags failed is never committed.
            if (!FTagSource.empty()) CopyTags(FTagSource, FTemporaryName, ExtractFileExt(FFinalName));
            if (FActiveMeter)
                FLoudness = WriteTrackGain(*FActiveMeter, FTemporaryName, ExtractFileExt(FFinalName));
            CommitOutput(FTemporaryName, FFinalName);
        } catch (const std::exception& E) {
            DiscardOutput(FTemporaryName);
            RecordResult(eoFailed, WithFinalName(E.what(), FTemporaryName, FFinalName));
            break;
        }
        ReportProgress(100);
        BringCovers(FQueue->Entry(FCurrentIndex));
        // The source's note is read again: reading to the end may have told more (a cut file).
        if (!FCurrentSource->Note().empty()) FSourceNote = JoinedNotes(FCurrentSource->Note(), FPlanNote);
        RecordResult(eoConverted, JoinedNotes(FQueue->Entry(FCurrentIndex).Note,
                                              JoinedNotes(JoinedNotes(FSourceNote, FCurrentSink->Note()),
                                                          GainNote(FLoudness))));
        break;
    case ekException:
        FCurrentSource->Reset();
        // A sink cut short by Abort may refuse to finish (a Monkey's Audio file without frames):
        // the file was stopped, not failed.
        if (RecordedAsStopped()) break;
        DiscardOutput(FTemporaryName);
        RecordResult(eoFailed, WithFinalName(Event.Message, FTemporaryName, FFinalName));
        break;
    }
    StartNext();
}

void TConvDriver::StartNext() {
    while (!FAborting) {
        int32_t Index = FQueue->Take();
        if (Index < 0) break;
        FCurrentIndex = Index;
        const TMediaEntry& Entry = FQueue->Entry(Index);
        SetCaption("Converting: " + std::to_string(Index + 1) + " out of " + std::to_string(FQueue->Count()));
        if (OnEntryStarted) OnEntryStarted(this, Index, Entry);
        if (FAborting) {
            RecordResult(eoNotStarted, "The batch was aborted.");
            break;
        }
        try {
            ConvertEntry(Entry.InputName, Entry.OutputName);
            return; // its sink reports the end
        } catch (const EEntrySkipped& E) {
            RecordResult(eoSkipped, E.what());
        } catch (const EEntryUpToDate& E) {
            BringCovers(Entry);
            RecordResult(eoUpToDate, E.what());
        } catch (const EEntryCopied& E) {
            BringCovers(Entry);
            RecordResult(eoConverted, JoinedNotes(Entry.Note, E.what()), true);
        } catch (const std::exception& E) {
            RecordResult(eoFailed, E.what());
        }
    }
    EndBatch();
}

bool TConvDriver::RecordedAsStopped() {
    if (!FAborting || FCurrentSink->Progress() == 100) return false;
    DiscardOutput(FTemporaryName);
    RecordResult(eoStopped, "Stopped by Abort; no output was written.");
    return true;
}

void TConvDriver::RecordResult(TEntryOutcome Outcome, std::string Message, bool Copied) {
    FCurrentSink = nullptr;
    TEntryResult Result{FCurrentIndex,
                        FQueue->Entry(FCurrentIndex).InputName,
                        Outcome,
                        FirstLine(std::move(Message)),
                        std::move(FLoudness),
                        Copied};
    FLoudness = nullptr;
    FCurrentIndex = -1;
    ++FSummary.Count;
    if (Outcome == eoConverted && !Result.Message.empty()) FSummary.Notes.push_back(Result);
    if (Outcome == eoConverted)
        ++(Copied ? FSummary.Copied : FSummary.Converted);
    else if (Outcome == eoUpToDate)
        ++FSummary.UpToDate;
    else
        FSummary.Problems.push_back(Result);
    if (OnEntryFinished) OnEntryFinished(this, Result);
}

void TConvDriver::BringCovers(const TMediaEntry& Entry) {
    if (!Entry.CopyCovers) return;
    std::string From = ParentFolder(Entry.InputName);
    std::string To = ParentFolder(Entry.OutputName);
    if (!FCoverFolders.emplace(From, To).second || SameFile(From, To)) return;
    CopyCoverPictures(From, To);
}

void TConvDriver::EndBatch() {
    FSummary.Aborted = FAborting;
    SortByEntry(FSummary.Problems);
    SortByEntry(FSummary.Notes);
    FQueue = nullptr;
    SetCaption(FCaption + " Done!");
    if (OnBatchEnd) OnBatchEnd(this, FSummary);
}

void TConvDriver::SetCaption(std::string Caption) {
    FCaption = std::move(Caption);
    if (OnCaption) OnCaption(this, FCaption);
}

void TConvDriver::ReportProgress(int32_t Percent) {
    if (OnProgress) OnProgress(this, std::clamp(Percent, 0, 100));
}

} // namespace deraz
