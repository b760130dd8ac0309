#include "cli/ProgressDisplay.h"

#include <algorithm>

#include "cli/TextColumns.h"
#include "driver/FileNames.h"

namespace deraz {

namespace {

constexpr int32_t BarWidth = 30;
// Two columns of indent, a space, the bar with its brackets, a space and "100%".
constexpr int32_t LineColumnsBesideName = 2 + 1 + (BarWidth + 2) + 1 + 4;
constexpr int32_t MinimumNameColumns = 10;

std::string Bar(int32_t Percent) {
    int32_t Filled = Percent * BarWidth / 100;
    return "[" + std::string(size_t(Filled), '#') + std::string(size_t(BarWidth - Filled), '.') + "]";
}

// Outcomes that are not worth a line of their own in a big library unless asked for.
bool Routine(TEntryOutcome Outcome) {
    return Outcome == eoUpToDate || Outcome == eoNotStarted;
}

} // namespace

TProgressDisplay::TProgressDisplay(TMode Mode, bool Verbose, int32_t Count, int32_t Jobs, std::FILE* Out)
    : FMode(Mode), FVerbose(Verbose), FCount(Count), FOut(Out), FJobs(size_t(Jobs)) {}

void TProgressDisplay::EntryStarted(int32_t Job, const TMediaEntry& Entry) {
    FJobs[size_t(Job)] = {ExtractFileName(Entry.InputName), 0};
}

void TProgressDisplay::Progress(int32_t Job, int32_t Percent) {
    FJobs[size_t(Job)].Percent = Percent;
}

void TProgressDisplay::EntryFinished(int32_t Job, const TEntryResult& Result, const TMediaEntry& Entry) {
    FJobs[size_t(Job)] = {};
    ++FFinished;
    if (FMode != pmLines || (Routine(Result.Outcome) && !FVerbose)) return;
    if (Result.Outcome == eoConverted)
        PrintLine("converted " + Entry.InputName + " -> " + Entry.OutputName);
    else
        PrintLine(std::string(OutcomeText(Result.Outcome)) + " " + Entry.InputName + ": " + Result.Message);
}

void TProgressDisplay::EntryKept(const TMediaEntry& Entry) {
    ++FFinished;
    if (FMode == pmLines && FVerbose)
        PrintLine("skipped " + Entry.InputName + ": " + Entry.OutputName + " exists; it was kept.");
}

void TProgressDisplay::PrintLine(const std::string& Text) {
    std::fprintf(FOut, "[%d/%d] %s\n", FFinished, FCount, Text.c_str());
    std::fflush(FOut);
}

void TProgressDisplay::Redraw() {
    if (FMode == pmBars) Draw();
}

void TProgressDisplay::Draw() {
    std::string Text;
    // Back to the first line drawn last time, clearing as we go.
    for (int32_t I = 0; I < FLinesDrawn; ++I) Text += "\x1b[1A\x1b[2K";
    Text += "\r\x1b[2K";
    int32_t Lines = 0;
    int64_t Sum = int64_t(FFinished) * 100;
    // Every line fits the terminal, so that clearing the lines drawn last time clears them all.
    const int32_t NameColumns = std::max(TerminalColumns() - LineColumnsBesideName, MinimumNameColumns);
    auto Line = [&](const std::string& Name, int32_t Percent) {
        return "  " + FitToColumns(Name, NameColumns) + " " + Bar(Percent) + " " + std::to_string(Percent) +
               "%\n";
    };
    for (const auto& Job : FJobs) {
        if (Job.Name.empty()) continue;
        Sum += Job.Percent;
        Text += Line(Job.Name, Job.Percent);
        ++Lines;
    }
    int32_t Overall = FCount > 0 ? int32_t(Sum / FCount) : 100;
    Text += Line(std::to_string(FFinished) + "/" + std::to_string(FCount) + " files", Overall);
    FLinesDrawn = Lines + 1;
    std::fputs(Text.c_str(), FOut);
    std::fflush(FOut);
}

} // namespace deraz
