#include "tests/codecs/Mp3TestSupport.h"

namespace deraz::test {

std::vector<int16_t> DecodeWithMpg123(const std::string& FileName) {
    TTempDir Dir;
    std::string Raw = Dir.File("decoded.raw");
    if (RunCommand("mpg123 -q -s " + ShellQuote(FileName) + " > " + ShellQuote(Raw)) != 0) return {};
    return BytesToSamples(ReadFileBytes(Raw));
}

std::string FfmpegComplaints(const std::string& FileName) {
    std::string Output;
    if (RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(FileName) + " -f null -", &Output) != 0)
        Output += "ffmpeg failed";
    return Output;
}

std::string EncodeWithLame(const TTempDir& Dir, const std::string& Name, const std::vector<int16_t>& Samples,
                           int32_t Channels, int32_t SampleRate, const std::string& Options) {
    std::string Wav = Dir.File(Name + ".wav"), Mp3 = Dir.File(Name + ".mp3");
    WritePcmWav(Wav, Samples, Channels, SampleRate);
    if (RunCommand("lame --quiet " + Options + " " + ShellQuote(Wav) + " " + ShellQuote(Mp3)) != 0) return "";
    return Mp3;
}

} // namespace deraz::test
