// A raw-PCM source and sink for driver tests: the source delivers a file's bytes as 16-bit
// stereo PCM; the sink copies them, failing on the text "FAIL" (with a second line of library
// detail) and optionally pausing per step.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/ACS_Classes.h"

namespace deraz::test {

class TRawIn : public TACSFileIn {
public:
    bool UnknownSize = false;
    // Files starting with "JUNK" open as not decodable, with a reason, and deliver nothing;
    // files starting with "NOTE" open with a note.

    std::span<const uint8_t> Refill() override {
        int64_t Count = FValid ? FStream->Read(FPiece.data(), int64_t(FPiece.size())) : 0;
        return {FPiece.data(), size_t(Count)};
    }
    void OpenSource() override {
        FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
        char Head[4] = {};
        FStream->Read(Head, 4);
        FValid = std::memcmp(Head, "JUNK", 4) != 0;
        FDecodeError = FValid ? "" : "The header says JUNK.";
        FNote = std::memcmp(Head, "NOTE", 4) == 0 ? "The input had a note." : "";
        FStream->Seek(0);
        FBitsPerSample = 16;
        FChannels = 2;
        FSampleRate = 44100;
        FSize = UnknownSize ? -1 : FStream->Size();
        FTotalSamples = FStream->Size() / 4;
    }
    void CloseSource() override { FStream.reset(); }
    bool Seek(int64_t) override { return false; }

private:
    std::array<uint8_t, 4096> FPiece{};
};

class TRawOut : public TACSFileOut {
public:
    ~TRawOut() override { TerminateWorker(); }

    std::atomic<int32_t> Prepares{0};
    // Once a tenth of the input is read, steps on without reading until the conversion is aborted,
    // so that an abort certainly finds it running.
    std::atomic<bool> StallForAbort{false};
    // Like a sink that cannot make a file of fewer frames than it was promised.
    std::atomic<bool> RefusesAShortFinish{false};
    std::atomic<int32_t> Level{-1}; // set by the test table's level hook
    std::string NoteToMake;         // the note every conversion leaves

protected:
    void Prepare() override {
        ++Prepares;
        FNote = NoteToMake;
        OpenOutputStream();
        StartInput();
    }
    bool DoOutput(bool Abort) override {
        if (auto R = BeginStep(Abort)) return *R;
        if (StallForAbort && Progress() >= 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return true;
        }
        char Buffer[1024];
        int32_t Count = ReadInput(Buffer, sizeof Buffer);
        if (Count > 0 && memmem(Buffer, size_t(Count), "FAIL", 4))
            throw EACSException("corrupt data\nat frame 3 of the library");
        FStream->Write(Buffer, Count);
        return Count > 0;
    }
    void FinishOutput() override {
        if (RefusesAShortFinish && Progress() != 100) throw EACSException("the file is short");
    }
};

} // namespace deraz::test
