// deraz-convert making outputs for a device: a lower rate against sox's resampler, dither that
// keeps detail below the new step, copying compatible inputs, and a profile stored the way the
// desktop program stores it.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>

#include "driver/Settings.h"
#include "tests/support/FlacTools.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;

class ConvertDevice : public ::testing::Test {
protected:
    // Runs the program without tags, whatever its settings file says; its exit status, messages
    // in Messages.
    int Run(const std::string& Arguments, const std::string& Program = test::ConverterProgram()) {
        Messages.clear();
        return RunCommand(ShellQuote(Program) + " --no-copy-tags " + Arguments, &Messages);
    }
    // A file that sox makes: Format ("-r 96000 -b 24 -c 1"), then Synth ("synth 4 sine 440").
    std::string Sox(const std::string& Output, const std::string& Format, const std::string& Synth) {
        const std::string Name = Dir.File(Output);
        EXPECT_EQ(RunCommand("sox -n -R " + Format + " " + ShellQuote(Name) + " " + Synth), 0);
        return Name;
    }
    // Mono samples of a file as ffmpeg decodes them, full scale 1.0.
    static std::vector<float> Samples(const std::string& File) {
        auto Bytes = DecodeWithFfmpeg(File, "f32le");
        std::vector<float> Values(Bytes.size() / 4);
        std::memcpy(Values.data(), Bytes.data(), Values.size() * 4);
        return Values;
    }

    TTempDir Dir;
    std::string Messages;
};

// Level in dB of each block of 4800 samples.
std::vector<double> BlockLevels(const std::vector<float>& Values) {
    std::vector<double> Levels;
    for (size_t Start = 0; Start + 4800 <= Values.size(); Start += 4800) {
        double Sum = 0;
        for (size_t I = Start; I < Start + 4800; ++I) Sum += double(Values[I]) * Values[I];
        Levels.push_back(10 * std::log10(Sum / 4800 + 1e-30));
    }
    return Levels;
}

TEST_F(ConvertDevice, HighResolutionFlacBecomesFortyEightKilohertzSixteenBitsLikeSox) {
    const std::string Input = Sox("sweep.flac", "-r 96000 -b 24 -c 1", "synth 4 sine 20-20000 gain -6");
    ASSERT_EQ(Run("-f flac --max-rate 48000 --max-bits 16 -o " + ShellQuote(Dir.File("out")) + " " + Input),
              0)
        << Messages;
    const std::string Output = Dir.File("out/sweep.flac");
    EXPECT_EQ(Metaflac("--show-sample-rate", Output), "48000");
    EXPECT_EQ(Metaflac("--show-bps", Output), "16");
    EXPECT_EQ(Metaflac("--show-total-samples", Output), "192000");
    EXPECT_EQ(RunCommand("flac -s -t " + ShellQuote(Output)), 0);
    const std::string Reference = Dir.File("sox.flac");
    ASSERT_EQ(RunCommand("sox " + Input + " -b 16 " + Reference + " rate -v 48000 dither"), 0);
    auto Ours = BlockLevels(Samples(Output)), Theirs = BlockLevels(Samples(Reference));
    ASSERT_EQ(Ours.size(), Theirs.size());
    // The first and last blocks hold the filters' edges.
    for (size_t I = 1; I + 1 < Ours.size(); ++I) EXPECT_NEAR(Ours[I], Theirs[I], 0.1) << "block " << I;
}

TEST_F(ConvertDevice, DitherKeepsASineBelowTheSixteenBitStep) {
    // A peak of -100 dBFS is a third of a 16-bit step: rounding or truncation leaves silence.
    const std::string Input = Sox("quiet.flac", "-r 48000 -b 24 -c 1", "synth 10 sine 1000 gain -100");
    ASSERT_EQ(Run("-f flac --max-bits 16 -o " + ShellQuote(Dir.File("out")) + " " + Input), 0) << Messages;
    EXPECT_NE(Messages.find("Reduced to 16 bits with dither."), std::string::npos) << Messages;
    const std::string Output = Dir.File("out/quiet.flac");
    EXPECT_EQ(Metaflac("--show-bps", Output), "16");
    // Its level by correlation with the tone over the whole file.
    auto Values = Samples(Output);
    double Sine = 0, Cosine = 0;
    for (size_t I = 0; I < Values.size(); ++I) {
        const double Phase = 2 * std::numbers::pi * 1000 * double(I) / 48000;
        Sine += Values[I] * std::sin(Phase);
        Cosine += Values[I] * std::cos(Phase);
    }
    const double Amplitude = 2 * std::hypot(Sine, Cosine) / double(Values.size());
    EXPECT_NEAR(20 * std::log10(Amplitude), -100, 1);
    // The same input gives the same bytes every time.
    ASSERT_EQ(Run("-f flac --max-bits 16 -o " + ShellQuote(Dir.File("again")) + " " + Input), 0);
    EXPECT_EQ(ReadFileBytes(Output), ReadFileBytes(Dir.File("again/quiet.flac")));
}

TEST_F(ConvertDevice, CompatibleInputsAreCopiedOthersConverted) {
    const std::string Wav = Sox("tone.wav", "-r 44100 -b 16 -c 2", "synth 3 sine 440 gain -6");
    for (const char* Rate : {"128", "320"})
        ASSERT_EQ(
            RunCommand("lame --quiet -b " + std::string(Rate) + " " + Wav + " " + Dir.File(Rate) + ".mp3"),
            0);
    ASSERT_EQ(RunCommand("flac -s -5 -o " + Dir.File("tone.flac") + " " + Wav), 0);
    struct TCase {
        const char* Input;
        const char* Options;
        bool Copied;
    } Cases[] = {
        {"128.mp3", "-f mp3 -l 192k", true},
        {"320.mp3", "-f mp3 -l 192k", false},
        {"tone.flac", "-f flac", true},
        {"tone.flac", "-f flac --max-rate 32000", false},
        {"tone.flac", "-f flac --channels 1", false},
        {"128.mp3", "-f mp3 -l 192k --replaygain track", false},
    };
    for (const TCase& Case : Cases) {
        const std::string Out = Dir.File("out");
        fs::remove_all(Out);
        ASSERT_EQ(
            Run(std::string(Case.Options) + " --copy-compatible -o " + Out + " " + Dir.File(Case.Input)), 0)
            << Messages;
        const std::string Output = Out + "/" + Case.Input;
        EXPECT_EQ(ReadFileBytes(Output) == ReadFileBytes(Dir.File(Case.Input)), Case.Copied)
            << Case.Input << " " << Case.Options;
        EXPECT_EQ(Messages.find("Copied without converting.") != std::string::npos, Case.Copied) << Messages;
    }
}

TEST_F(ConvertDevice, AProfileSavedLikeTheDesktopProgramGivesTheSameOutput) {
    // A copy of the program with its own settings file beside it.
    const std::string Program = test::CopyProgram(DERAZ_CONVERT, Dir.File("bin"));
    TSettings Settings(Dir.File("bin/Varidir.ini"));
    Settings.WriteOutputFormat(3, 0, false);
    Settings.WriteDeviceOutput({44100, 16, 1}, false);
    Settings.SaveCurrentAsProfile("car");
    Settings.WriteOutputFormat(1, 11, false); // the desktop moves on to another choice
    const std::string Input = Sox("hires.flac", "-r 88200 -b 24 -c 2", "synth 2 sine 300-3000 gain -3");
    ASSERT_EQ(Run("--profile car -o " + ShellQuote(Dir.File("profile")) + " " + Input, Program), 0)
        << Messages;
    ASSERT_EQ(Run("-f flac -l 0 --max-rate 44100 --max-bits 16 --channels 1 -o " +
                  ShellQuote(Dir.File("options")) + " " + Input),
              0)
        << Messages;
    EXPECT_EQ(Metaflac("--show-sample-rate", Dir.File("profile/hires.flac")), "44100");
    EXPECT_EQ(ReadFileBytes(Dir.File("profile/hires.flac")), ReadFileBytes(Dir.File("options/hires.flac")));
    // A profile of a format this build lacks is refused with its reason, as a usage error.
    TIniFile(Dir.File("bin/Varidir.ini")).WriteString("Profile car", "Extension", ".xyz");
    EXPECT_EQ(Run("--profile car " + Input, Program), 2);
    EXPECT_NE(Messages.find("writes .xyz files, which this build cannot write."), std::string::npos)
        << Messages;
}

} // namespace
} // namespace deraz::test
