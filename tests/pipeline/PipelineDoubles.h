// In-memory sources and sinks that exercise the pipeline without files.
#pragma once

#include <chrono>
#include <thread>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/support/PipelineSupport.h"

namespace deraz::test {

// Collects what it reads; counts Prepare and Done; can be told to fail in Prepare.
class TMemorySink : public TACSOutput {
public:
    ~TMemorySink() override { TerminateWorker(); }

    std::vector<uint8_t> Written;
    std::atomic<int> PrepareCount{0};
    std::atomic<int> DoneCount{0};
    std::atomic<bool> FailInPrepare{false};

protected:
    void Prepare() override {
        ++PrepareCount;
        if (FailInPrepare) throw EACSException("cannot prepare");
        Written.clear();
        StartInput();
    }
    bool DoOutput(bool Abort) override {
        if (auto Result = BeginStep(Abort)) return *Result;
        uint8_t Buffer[512];
        int32_t Count = ReadInput(Buffer, sizeof Buffer);
        Written.insert(Written.end(), Buffer, Buffer + Count);
        return Count > 0;
    }
    void FinishOutput() override { ++DoneCount; }
};

inline std::vector<uint8_t> CountingBytes(size_t Count) {
    std::vector<uint8_t> Data(Count);
    for (size_t I = 0; I < Count; ++I) Data[I] = uint8_t(I * 7 + I / 251);
    return Data;
}

} // namespace deraz::test
