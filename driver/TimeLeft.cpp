#include "driver/TimeLeft.h"
#include "platform/Paths.h"

#include <filesystem>
#include <numeric>

namespace deraz {

TTimeLeft::TTimeLeft(std::vector<double> InputSizes)
    : FSizes(std::move(InputSizes)), FTotal(std::accumulate(FSizes.begin(), FSizes.end(), 0.0)) {}

TTimeLeft TTimeLeft::ForEntries(const std::vector<TMediaEntry>& Entries) {
    std::vector<double> Sizes;
    for (const TMediaEntry& Entry : Entries) {
        std::error_code Error;
        auto Size = std::filesystem::file_size(PathOf(Entry.InputName), Error);
        Sizes.push_back(Error ? 0.0 : double(Size));
    }
    return TTimeLeft(std::move(Sizes));
}

double TTimeLeft::Size(int32_t Index) const {
    return Index >= 0 && size_t(Index) < FSizes.size() ? FSizes[size_t(Index)] : 0.0;
}

void TTimeLeft::Progress(int32_t Index, int32_t Percent) {
    if (Size(Index) > 0) FRunning[Index] = Percent;
}

void TTimeLeft::Finished(int32_t Index) {
    FRunning.erase(Index);
    FFinished += Size(Index);
}

std::optional<int64_t> TTimeLeft::SecondsLeft(std::chrono::milliseconds Elapsed) const {
    double Converted = FFinished;
    for (const auto& [Index, Percent] : FRunning) Converted += Size(Index) * Percent / 100.0;
    double Done = FTotal > 0 ? Converted / FTotal : 0.0;
    if (Done <= 0.02 || Done >= 1.0) return std::nullopt;
    return int64_t(double(Elapsed.count()) * (1.0 - Done) / Done / 1000.0 + 0.5);
}

std::string MinutesAndSeconds(int64_t Seconds) {
    std::string Rest = std::to_string(Seconds % 60);
    return std::to_string(Seconds / 60) + ":" + (Rest.size() < 2 ? "0" : "") + Rest;
}

} // namespace deraz
