#include "tests/support/FlacTools.h"

#include "tests/support/TestSupport.h"

namespace deraz::test {

namespace {

std::string RawOptions(int32_t BitsPerSample) {
    return std::string(" --force-raw-format --endian=little --sign=") +
           (BitsPerSample == 8 ? "unsigned" : "signed");
}

std::string FirstLine(std::string Text) {
    return Text.substr(0, Text.find('\n'));
}

} // namespace

bool EncodeWithFlac(const std::vector<uint8_t>& Pcm, const TPcmFormat& Format, const std::string& Options,
                    const std::string& FileName) {
    TTempDir Dir;
    std::string Raw = Dir.File("input.raw");
    WriteFileBytes(Raw, Pcm);
    return RunCommand("flac -s -f " + Options + RawOptions(Format.BitsPerSample) + " --channels=" +
                      std::to_string(Format.Channels) + " --bps=" + std::to_string(Format.BitsPerSample) +
                      " --sample-rate=" + std::to_string(Format.SampleRate) + " -o " + ShellQuote(FileName) +
                      " " + ShellQuote(Raw)) == 0;
}

std::vector<uint8_t> DecodeWithFlac(const std::string& FileName, int32_t BitsPerSample) {
    TTempDir Dir;
    std::string Raw = Dir.File("decoded.raw");
    if (RunCommand("flac -s -f -d" + RawOptions(BitsPerSample) + " -o " + ShellQuote(Raw) + " " +
                   ShellQuote(FileName)) != 0)
        return {};
    return ReadFileBytes(Raw);
}

std::string Metaflac(const std::string& Option, const std::string& FileName) {
    std::string Output;
    RunCommand("metaflac " + Option + " " + ShellQuote(FileName), &Output);
    return FirstLine(Output);
}

std::string FlacMd5(const std::vector<uint8_t>& Pcm, int32_t BitsPerSample) {
    TTempDir Dir;
    std::vector<uint8_t> Signed = Pcm;
    if (BitsPerSample == 8)
        for (uint8_t& Byte : Signed) Byte ^= 0x80;
    WriteFileBytes(Dir.File("signed.raw"), Signed);
    std::string Output;
    RunCommand("md5sum " + ShellQuote(Dir.File("signed.raw")), &Output);
    return Output.substr(0, 32);
}

} // namespace deraz::test
