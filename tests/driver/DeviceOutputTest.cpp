// What the device limits make of an input, and the profiles that keep them.
#include "driver/DeviceOutput.h"

#include <gtest/gtest.h>

#include "driver/ConvDriver.h"
#include "driver/CopyCompatible.h"
#include "driver/Settings.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

TEST(DeviceOutput, HighestRateKeepsTheInputsFamily) {
    struct {
        int32_t Rate, Limit, Expected;
    } Cases[] = {{96000, 48000, 48000}, {192000, 96000, 96000}, {192000, 48000, 48000},
                 {88200, 48000, 44100}, {176400, 96000, 88200}, {176400, 44100, 44100},
                 {96000, 44100, 44100}, {64000, 48000, 48000},  {44100, 48000, 44100},
                 {48000, 44100, 44100}, {96000, 0, 96000}};
    for (const auto& Case : Cases)
        EXPECT_EQ(LimitedRate(Case.Rate, Case.Limit), Case.Expected) << Case.Rate << " " << Case.Limit;
}

TEST(DeviceOutput, PlanChangesOnlyWhatALimitAppliesTo) {
    const TPcmFormat HiRes{96000, 24, 6};
    const TDevicePlan All = PlanDeviceOutput({48000, 16, 1}, HiRes, false);
    EXPECT_EQ(All.Note(),
              "Mixed down from 6 channels to mono. Resampled from 96000 to 48000 Hz. Reduced to 16 bits "
              "with dither.");
    // Lossy encoders take the wide samples; a narrower input is never widened.
    EXPECT_EQ(PlanDeviceOutput({0, 16, 0}, HiRes, true).Changes(), false);
    EXPECT_EQ(PlanDeviceOutput({0, 24, 2}, {44100, 16, 2}, false).Changes(), false);
    EXPECT_EQ(PlanDeviceOutput({0, 24, 0}, {44100, 32, 2}, false).To.Bits, 24);
}

TEST(DeviceOutput, CopyingNeedsTheSameFormatAndNoChange) {
    const int32_t Mp3 = FindOutputFormat(".mp3"), Flac = FindOutputFormat(".flac"),
                  Wav = FindOutputFormat(".wav");
    const TPcmFormat Cd{44100, 16, 2};
    auto Choice = [](int32_t DestExt, int32_t Level, TDeviceLimits Limits = {}) {
        TOutputChoice Result{DestExt, Level};
        Result.Limits = Limits;
        return Result;
    };
    EXPECT_TRUE(CanCopyUnchanged(Choice(Mp3, 14), ".mp3", Cd, 128)); // 192 kbit/s asked
    EXPECT_TRUE(CanCopyUnchanged(Choice(Mp3, 14), ".mp3", Cd, 192));
    EXPECT_FALSE(CanCopyUnchanged(Choice(Mp3, 14), ".mp3", Cd, 320));
    EXPECT_FALSE(CanCopyUnchanged(Choice(Mp3, 14), ".mp3", Cd, 0)); // rate unknown
    EXPECT_TRUE(CanCopyUnchanged(Choice(Flac, 0), ".fla", Cd, 0));  // one format, two names
    EXPECT_FALSE(CanCopyUnchanged(Choice(Flac, 0), ".ape", Cd, 0));
    EXPECT_FALSE(CanCopyUnchanged(Choice(Flac, 0, {0, 0, 1}), ".flac", Cd, 0)); // a limit applies
    EXPECT_TRUE(CanCopyUnchanged(Choice(Flac, 0, {48000, 24, 2}), ".flac", Cd, 0));
    EXPECT_FALSE(CanCopyUnchanged(Choice(Wav, 0), ".wav", Cd, 0));
}

TEST(DeviceOutput, SummaryCountsCopiesOnlyWhenThereAreSome) {
    TBatchSummary Summary;
    Summary.Converted = 3;
    EXPECT_EQ(SummaryCounts(Summary), "3 converted, 0 up to date, 0 failed, 0 skipped");
    Summary.Copied = 2;
    EXPECT_EQ(SummaryCounts(Summary), "3 converted, 2 copied, 0 up to date, 0 failed, 0 skipped");
}

TEST(Profiles, ApplyingAProfileRestoresEveryOptionItSaved) {
    test::TTempDir Dir;
    TSettings Settings(Dir.File("Varidir.ini"));
    Settings.WriteOutputFormat(1, 14, true);
    Settings.WriteCapBitrate(true);
    Settings.WriteReplayGain(gmAlbum);
    Settings.WriteDeviceOutput({48000, 16, 2}, true);
    TIniFile(Settings.FileName()).WriteString("Output", "NamePattern", "%artist% - %title%");
    Settings.SaveCurrentAsProfile("Car");
    const TOutputChoice Saved = Settings.OutputChoice();

    Settings.WriteOutputFormat(4, 2, false);
    Settings.WriteCapBitrate(false);
    Settings.WriteReplayGain(gmOff);
    Settings.WriteDeviceOutput({}, false);
    TIniFile(Settings.FileName()).WriteString("Output", "NamePattern", "");
    Settings.ApplyProfile("car");
    const TOutputChoice Applied = Settings.OutputChoice();
    EXPECT_EQ(Applied.DestExt, Saved.DestExt);
    EXPECT_EQ(Applied.Bitrate, 14);
    EXPECT_TRUE(Applied.CopyTags && Applied.CapBitrate && Applied.CopyCompatible);
    EXPECT_EQ(Applied.ReplayGain, gmAlbum);
    EXPECT_TRUE(Applied.Limits == (TDeviceLimits{48000, 16, 2}));
    // An option this code does not know travels under its own name.
    EXPECT_EQ(TIniFile(Settings.FileName()).ReadString("Output", "NamePattern", ""), "%artist% - %title%");
    EXPECT_EQ(Settings.ProfileNames(), std::vector<std::string>{"Car"});
}

TEST(Profiles, AProfileThisBuildCannotUseIsRefusedWithItsReason) {
    test::TTempDir Dir;
    TSettings Settings(Dir.File("Varidir.ini"));
    TIniFile Ini(Settings.FileName());
    Ini.WriteString("Profile phone", "Extension", ".mpc");
    Ini.WriteInteger("Profile phone", "DestExt", 11);
    Ini.WriteInteger("Profile old", "DestExt", 42);
    Settings.WriteOutputFormat(2, 0, false);
    struct {
        const char* Name;
        const char* Reason;
    } Cases[] = {{"phone", "Profile \"phone\" writes .mpc files, which this build cannot write."},
                 {"old", "Profile \"old\" names output format 42, which this build does not have."},
                 {"none", "There is no profile \"none\"."},
                 {"a]b", "A profile name must not be empty"}};
    for (const auto& Case : Cases) {
        try {
            Settings.ApplyProfile(Case.Name);
            ADD_FAILURE() << Case.Name;
        } catch (const EProfileError& E) {
            EXPECT_EQ(std::string(E.what()).rfind(Case.Reason, 0), 0u) << E.what();
        }
    }
    EXPECT_EQ(Settings.DestExt(), 2); // nothing was written
}

} // namespace
} // namespace deraz
