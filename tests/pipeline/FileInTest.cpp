#include <gtest/gtest.h>

#include "pipeline/ACS_Classes.h"

namespace deraz::test {
namespace {

// A file source over an imaginary file of 44100 stereo 16-bit frames; counts real opens.
class TFakeFileIn : public TACSFileIn {
public:
    int Opens = 0;
    int Closes = 0;
    bool Unreadable = false;
    int32_t SoughtTo = -1;
    int32_t HeaderChannels = 2;

    void OpenSource() override {
        if (Unreadable) throw EFileError("The file cannot be read.");
        ++Opens;
        FValid = true;
        FBitsPerSample = 16;
        FChannels = HeaderChannels;
        FSampleRate = 44100;
        FTotalSamples = 44100;
        FSize = FTotalSamples * 2 * HeaderChannels;
    }
    void CloseSource() override { ++Closes; }
    bool Seek(int64_t SampleNum) override {
        SoughtTo = SampleNum;
        return true;
    }
    std::span<const uint8_t> Refill() override { return {}; }
};

TEST(FileIn, InitComputesTheSizeOfTheRequestedRange) {
    TFakeFileIn Source;
    Source.SetFileName("imaginary.wav");
    Source.Init();
    EXPECT_EQ(Source.Size(), 44100 * 4) << "the whole data";
    EXPECT_EQ(Source.SoughtTo, -1);
    Source.Flush();

    Source.SetStartSample(1000);
    Source.Init();
    EXPECT_EQ(Source.Size(), 43100 * 2 * 2);
    EXPECT_EQ(Source.SoughtTo, 1000);
    Source.Flush();

    Source.SetEndSample(2000);
    Source.Init();
    EXPECT_EQ(Source.Size(), 1000 * 4);
    EXPECT_EQ(Source.Position(), 0);
    Source.Flush();
}

TEST(FileIn, InitRefusesWhenBusyOrWithoutFileName) {
    TFakeFileIn Source;
    try {
        Source.Init();
        FAIL();
    } catch (const EACSException& E) {
        EXPECT_STREQ(E.what(), "The file name is not assigned");
    }
    Source.SetFileName("imaginary.wav");
    Source.Init();
    try {
        Source.Init();
        FAIL();
    } catch (const EACSException& E) {
        EXPECT_STREQ(E.what(), "The component is buisy");
    }
}

TEST(FileIn, FormatGettersOpenTheFileOnlyWhenNoReadIsInProgress) {
    TFakeFileIn Source;
    Source.SetFileName("imaginary.wav");
    EXPECT_EQ(Source.SampleRate(), 44100);
    EXPECT_EQ(Source.Channels(), 2);
    EXPECT_EQ(Source.Opens, 2);
    Source.Init();
    EXPECT_EQ(Source.BitsPerSample(), 16);
    EXPECT_EQ(Source.TotalTime(), 1);
    EXPECT_EQ(Source.Opens, 3) << "no reopening while reading";
    Source.Flush();
    Source.HeaderChannels = 0;
    EXPECT_EQ(Source.TotalTime(), 0);
}

// The base counts the openings for every source: an opening that raises counts nothing and
// leaves nothing open, and Reset closes the source however often it was opened.
TEST(FileIn, OpeningsAreCountedOnceForEverySource) {
    TFakeFileIn Source;
    Source.SetFileName("imaginary.wav");
    Source.Unreadable = true;
    EXPECT_THROW(Source.OpenFile(), EFileError);
    EXPECT_EQ(Source.Closes, 1) << "a failed opening is undone";
    Source.Unreadable = false;
    Source.OpenFile();
    Source.OpenFile();
    Source.CloseFile();
    EXPECT_EQ(Source.Closes, 1);
    Source.CloseFile();
    EXPECT_EQ(Source.Closes, 2);
    Source.CloseFile();
    EXPECT_EQ(Source.Closes, 2) << "closing more often than opening closes nothing";
    Source.Init();
    Source.OpenFile();
    Source.Reset();
    EXPECT_EQ(Source.Closes, 3);
    EXPECT_FALSE(Source.Busy());
    Source.OpenFile();
    EXPECT_EQ(Source.Opens, 3) << "a reset source opens afresh";
}

} // namespace
} // namespace deraz::test
