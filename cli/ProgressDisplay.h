// What deraz-convert shows while it works: a bar per running file and one for the batch on a
// terminal, a plain line per finished file elsewhere (up-to-date, kept and not-started files only
// when verbose), nothing when quiet. Fed from the batch's events, on the thread that handles them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/ConvDriver.h"

namespace deraz {

class TProgressDisplay {
public:
    enum TMode : uint8_t { pmQuiet, pmBars, pmLines };

    TProgressDisplay(TMode Mode, bool Verbose, int32_t Count, int32_t Jobs, std::FILE* Out);

    void EntryStarted(int32_t Job, const TMediaEntry& Entry);
    void Progress(int32_t Job, int32_t Percent);
    void EntryFinished(int32_t Job, const TEntryResult& Result, const TMediaEntry& Entry);
    // An entry whose existing output is kept: counted as finished, never started.
    void EntryKept(const TMediaEntry& Entry);
    // Draws the bars again (terminal only).
    void Redraw();

private:
    struct TJobLine {
        std::string Name; // empty while the job is idle
        int32_t Percent = 0;
    };
    void Draw();
    void PrintLine(const std::string& Text);

    TMode FMode;
    bool FVerbose;
    int32_t FCount;
    std::FILE* FOut;
    std::vector<TJobLine> FJobs;
    int32_t FFinished = 0;
    int32_t FLinesDrawn = 0;
};

} // namespace deraz
