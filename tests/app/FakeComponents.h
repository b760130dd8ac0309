// A raw-PCM source and sink for driver tests: the source delivers a file's bytes as 16-bit
// stereo PCM; the sink copies them, failing on the text "FAIL" and optionally pausing per step.
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
    // Files starting with "JUNK" open as not decodable and deliver nothing.

    std::span<const uint8_t> Refill() override {
        int64_t Count = FValid ? FStream->Read(FPiece.data(), int64_t(FPiece.size())) : 0;
        return {FPiece.data(), size_t(Count)};
    }
    void OpenFile() override {
        if (FOpenCount++ > 0) return;
        FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
        char Head[4] = {};
        FValid = !(FStream->Read(Head, 4) == 4 && std::memcmp(Head, "JUNK", 4) == 0);
        FStream->Seek(0);
        FBitsPerSample = 16;
        FChannels = 2;
        FSampleRate = 44100;
        FSize = UnknownSize ? -1 : FStream->Size();
        FTotalSamples = FStream->Size() / 4;
    }
    void CloseFile() override {
        if (FOpenCount == 1) FStream.reset();
        if (FOpenCount > 0) --FOpenCount;
    }
    bool Seek(int64_t) override { return false; }

private:
    std::array<uint8_t, 4096> FPiece{};
};

class TRawOut : public TACSFileOut {
public:
    ~TRawOut() override { TerminateWorker(); }

    std::atomic<int32_t> Prepares{0};
    std::chrono::microseconds StepDelay{0};
    std::atomic<int32_t> Level{-1}; // set by the test table's level hook

protected:
    void Prepare() override {
        ++Prepares;
        OpenOutputStream();
        StartInput();
    }
    bool DoOutput(bool Abort) override {
        if (auto R = BeginStep(Abort)) return *R;
        if (StepDelay.count() > 0) std::this_thread::sleep_for(StepDelay);
        char Buffer[1024];
        int32_t Count = ReadInput(Buffer, sizeof Buffer);
        if (Count > 0 && memmem(Buffer, size_t(Count), "FAIL", 4)) throw EACSException("corrupt data");
        FStream->Write(Buffer, Count);
        return Count > 0;
    }
};

} // namespace deraz::test
