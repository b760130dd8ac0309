#include "tests/codecs/VorbisTestSupport.h"

#include <atomic>
#include <stdexcept>

#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace deraz::test {

std::string EncodeWithOggenc(const std::string& Folder, const std::string& Name,
                             const std::vector<int16_t>& Samples, int32_t Channels, int32_t SampleRate,
                             int Quality, const std::vector<std::string>& Comments) {
    std::string Wav = Folder + "/" + Name + ".wav";
    std::string Ogg = Folder + "/" + Name + ".ogg";
    WritePcmWav(Wav, Samples, Channels, SampleRate);
    // oggenc picks its serial from the clock's second, so files made within one second would share
    // it and a chain of them would read as one stream: each file gets a serial of its own.
    static std::atomic<int32_t> Serial{1000};
    std::string Command = "oggenc -Q -q " + std::to_string(Quality) + " -s " + std::to_string(Serial++);
    for (const std::string& Comment : Comments) Command += " -c " + ShellQuote(Comment);
    std::string Output;
    if (RunCommand(Command + " -o " + ShellQuote(Ogg) + " " + ShellQuote(Wav), &Output) != 0)
        throw std::runtime_error("oggenc failed: " + Output);
    return Ogg;
}

std::vector<uint8_t> DecodeWithOggdec(const std::string& FileName) {
    TTempDir Dir;
    std::string Raw = Dir.File("decoded.raw");
    if (RunCommand("oggdec -Q -R -o " + ShellQuote(Raw) + " " + ShellQuote(FileName)) != 0) return {};
    return ReadFileBytes(Raw);
}

void EncodeWithFfmpegVorbis(const std::string& Wav, const std::string& Ogg) {
    std::string Output;
    if (RunCommand("ffmpeg -nostdin -v error -y -i " + ShellQuote(Wav) + " -c:a libvorbis -q:a 4 " +
                       ShellQuote(Ogg),
                   &Output) != 0)
        throw std::runtime_error("ffmpeg failed: " + Output);
}

void ExpectCleanOgginfo(const std::string& File) {
    std::string Report;
    EXPECT_EQ(RunCommand("ogginfo " + ShellQuote(File), &Report), 0) << Report;
    EXPECT_EQ(Report.find("WARNING"), std::string::npos) << Report;
    EXPECT_EQ(Report.find("Warning"), std::string::npos) << Report;
    EXPECT_EQ(Report.find("ERROR"), std::string::npos) << Report;
}

std::string OgginfoLine(const std::string& File, const std::string& Label) {
    std::string Report;
    RunCommand("ogginfo " + ShellQuote(File), &Report);
    size_t At = Report.find(Label);
    return At == std::string::npos ? "" : Report.substr(At, Report.find('\n', At) - At);
}

void ExpectChannelsAbove(const std::vector<double>& ChannelDb, double MinimumDb) {
    for (size_t Channel = 0; Channel < ChannelDb.size(); ++Channel)
        EXPECT_GT(ChannelDb[Channel], MinimumDb) << "channel " << Channel;
}

} // namespace deraz::test
