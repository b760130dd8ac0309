// Helpers for tests that drive pipeline components: draining a source, and running a sink to the
// end of its conversion on its worker thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"

namespace deraz::test {

// Init, GetData in pieces of PieceSize bytes until it returns 0 or Limit bytes came (a looping
// source never ends), Flush.
inline std::vector<uint8_t> ReadAllData(TACSInput& Source, int32_t PieceSize = 16384,
                                        size_t Limit = size_t(1) << 30) {
    std::vector<uint8_t> Data;
    std::vector<uint8_t> Piece(static_cast<size_t>(PieceSize));
    Source.Init();
    while (Data.size() < Limit) {
        int32_t Count = Source.GetData(Piece.data(), PieceSize);
        if (Count <= 0) break;
        Data.insert(Data.end(), Piece.data(), Piece.data() + Count);
    }
    Source.Flush();
    return Data;
}

// How a conversion ended: Error holds the message that OnThreadException brought.
struct TRunResult {
    bool Finished = false;
    std::optional<std::string> Error;
};

// Runs Sink (its Input and file name set) and waits until OnDone or OnThreadException fires,
// at most Timeout. The sink's events are replaced by handlers that own what they share with
// this call, so they stay safe to call after it returns.
inline TRunResult RunConversion(TACSOutput& Sink, std::chrono::seconds Timeout = std::chrono::seconds(60)) {
    struct TShared {
        std::mutex Mutex;
        std::condition_variable Ended;
        TRunResult Result;
        void Finish(std::optional<std::string> Error) {
            std::lock_guard Lock(Mutex);
            Result.Finished = true;
            Result.Error = std::move(Error);
            Ended.notify_all();
        }
    };
    auto Shared = std::make_shared<TShared>();
    Sink.OnDone = [Shared](TComponent*) { Shared->Finish(std::nullopt); };
    Sink.OnThreadException = [Shared](TComponent*, const std::exception& E) { Shared->Finish(E.what()); };
    Sink.Run();
    std::unique_lock Lock(Shared->Mutex);
    Shared->Ended.wait_for(Lock, Timeout, [&] { return Shared->Result.Finished; });
    return Shared->Result;
}

} // namespace deraz::test
