#include "cli/ProgressDisplay.h"

#include <algorithm>

#include "driver/FileNames.h"

namespace deraz {

namespace {

constexpr int32_t BarWidth = 30;
constexpr size_t NameWidth = 36;

std::string Bar(int32_t Percent) {
    int32_t Filled = Percent * BarWidth / 100;
    return "[" + std::string(size_t(Filled), '#') + std::string(size_t(BarWidth - Filled), '.') + "]";
}

std::string Fitted(std::string Name) {
    if (Name.size() > NameWidth) Name = "..." + Name.substr(Name.size() - (NameWidth - 3));
    return Name + std::string(NameWidth - Name.size(), ' ');
}

} // namespace

TProgressDisplay::TProgressDisplay(TMode Mode, int32_t Count, int32_t Jobs, std::FILE* Out)
    : FMode(Mode), FCount(Count), FOut(Out), FJobs(size_t(Jobs)) {}

void TProgressDisplay::EntryStarted(int32_t Job, const TMediaEntry& Entry) {
    FJobs[size_t(Job)] = {ExtractFileName(Entry.InputName), 0};
}

void TProgressDisplay::Progress(int32_t Job, int32_t Percent) {
    FJobs[size_t(Job)].Percent = Percent;
}

void TProgressDisplay::EntryFinished(int32_t Job, const TEntryResult& Result, const TMediaEntry& Entry) {
    FJobs[size_t(Job)] = {};
    ++FFinished;
    if (FMode != pmLines) return;
    std::string Position = "[" + std::to_string(FFinished) + "/" + std::to_string(FCount) + "] ";
    if (Result.Outcome == eoConverted)
        std::fprintf(FOut, "%sconverted %s -> %s\n", Position.c_str(), Entry.InputName.c_str(),
                     Entry.OutputName.c_str());
    else
        std::fprintf(FOut, "%s%s %s: %s\n", Position.c_str(), OutcomeText(Result.Outcome),
                     Entry.InputName.c_str(), Result.Message.c_str());
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
    for (const auto& Job : FJobs) {
        if (Job.Name.empty()) continue;
        Sum += Job.Percent;
        Text += "  " + Fitted(Job.Name) + " " + Bar(Job.Percent) + " " + std::to_string(Job.Percent) + "%\n";
        ++Lines;
    }
    int32_t Overall = FCount > 0 ? int32_t(Sum / FCount) : 100;
    std::string Done = std::to_string(FFinished) + "/" + std::to_string(FCount) + " files";
    Text += "  " + Fitted(Done) + " " + Bar(Overall) + " " + std::to_string(Overall) + "%\n";
    FLinesDrawn = Lines + 1;
    std::fputs(Text.c_str(), FOut);
    std::fflush(FOut);
}

} // namespace deraz
