// The time left of a batch from the input bytes converted so far.
#include "driver/TimeLeft.h"

#include <gtest/gtest.h>

namespace deraz {
namespace {

TEST(TimeLeft, ComesFromTheShareOfInputBytesConverted) {
    struct TStep {
        int32_t Index;
        int32_t Percent; // -1: the entry finished
    };
    struct TCase {
        const char* Name;
        std::vector<double> Sizes;
        std::vector<TStep> Steps;
        int32_t ElapsedSeconds;
        std::optional<int64_t> Expected;
    };
    const TCase Cases[] = {
        {"nothing done yet", {100, 100}, {}, 5, std::nullopt},
        {"2% is too little to tell", {100, 100}, {{0, 4}}, 5, std::nullopt},
        {"half of one of two", {100, 100}, {{0, 50}}, 10, 30},
        {"finished and running by size", {100, 300}, {{0, 100}, {0, -1}, {1, 50}}, 50, 30},
        {"every running entry counts", {100, 100, 200}, {{0, 50}, {1, 50}}, 20, 60},
        {"a finished entry counts once", {100, 100}, {{0, 80}, {0, -1}}, 10, 10},
        {"all done", {100, 100}, {{0, -1}, {1, -1}}, 10, std::nullopt},
        {"an unreadable input counts nothing", {0, 100}, {{0, 50}, {1, 50}}, 10, 10},
        {"an index out of range is ignored", {100}, {{5, 50}, {-1, -1}, {0, 50}}, 10, 10},
    };
    for (const TCase& Case : Cases) {
        TTimeLeft Left(Case.Sizes);
        for (const TStep& Step : Case.Steps)
            Step.Percent < 0 ? Left.Finished(Step.Index) : Left.Progress(Step.Index, Step.Percent);
        EXPECT_EQ(Left.SecondsLeft(std::chrono::seconds(Case.ElapsedSeconds)), Case.Expected) << Case.Name;
    }
    for (auto [Seconds, Text] : {std::pair{0, "0:00"}, {65, "1:05"}, {600, "10:00"}, {3599, "59:59"}})
        EXPECT_EQ(MinutesAndSeconds(Seconds), Text);
}

} // namespace
} // namespace deraz
