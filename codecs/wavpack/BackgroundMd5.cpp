#include "codecs/wavpack/BackgroundMd5.h"

namespace deraz {

TBackgroundMd5::~TBackgroundMd5() {
    {
        std::lock_guard Lock(FMutex);
        FStopping = true;
    }
    FChanged.notify_all();
    if (FWorker.joinable()) FWorker.join();
}

void TBackgroundMd5::WaitUntilSummed(std::unique_lock<std::mutex>& Lock) {
    FChanged.wait(Lock, [this] { return FPending.empty(); });
}

void TBackgroundMd5::Reset() {
    std::unique_lock Lock(FMutex);
    WaitUntilSummed(Lock);
    FSum = ape::TMd5();
}

void TBackgroundMd5::Update(const uint8_t* Data, size_t Bytes) {
    if (Bytes == 0) return;
    std::unique_lock Lock(FMutex);
    if (!FWorker.joinable()) FWorker = std::thread([this] { Run(); });
    FChanged.wait(Lock, [this] { return FPending.size() < MaxPending; });
    std::vector<uint8_t> Piece;
    if (!FSpare.empty()) {
        Piece = std::move(FSpare.back());
        FSpare.pop_back();
    }
    Piece.assign(Data, Data + Bytes);
    FPending.push_back(std::move(Piece));
    FChanged.notify_all();
}

std::array<uint8_t, 16> TBackgroundMd5::Final() {
    std::unique_lock Lock(FMutex);
    WaitUntilSummed(Lock);
    return FSum.Final();
}

void TBackgroundMd5::Run() {
    std::unique_lock Lock(FMutex);
    for (;;) {
        FChanged.wait(Lock, [this] { return FStopping || !FPending.empty(); });
        if (FStopping) return;
        // Only this thread removes pieces, and adding at the back leaves the front in place.
        const std::vector<uint8_t>& Piece = FPending.front();
        Lock.unlock();
        FSum.Update(Piece.data(), Piece.size());
        Lock.lock();
        FSpare.push_back(std::move(FPending.front()));
        FPending.pop_front();
        FChanged.notify_all();
    }
}

} // namespace deraz
