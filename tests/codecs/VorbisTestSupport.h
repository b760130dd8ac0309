// Shared by the Ogg Vorbis tests: encoding with oggenc, decoding with oggdec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/support/PipelineSupport.h"

namespace deraz::test {

// Encodes Samples with oggenc at Quality, adding each "NAME=value" of Comments; returns the file.
std::string EncodeWithOggenc(const std::string& Folder, const std::string& Name,
                             const std::vector<int16_t>& Samples, int32_t Channels, int32_t SampleRate,
                             int Quality, const std::vector<std::string>& Comments = {});
// oggdec's decoding as raw signed 16-bit little-endian PCM; empty when oggdec fails.
std::vector<uint8_t> DecodeWithOggdec(const std::string& FileName);
// Encodes a WAV file with ffmpeg's libvorbis encoder, which reads WAV order and writes Vorbis order.
void EncodeWithFfmpegVorbis(const std::string& Wav, const std::string& Ogg);
// ogginfo's report on File, which must pass without warnings or errors.
void ExpectCleanOgginfo(const std::string& File);
// The line of ogginfo's report on File from Label on, "" when the report has no Label.
std::string OgginfoLine(const std::string& File, const std::string& Label);
// Expects every channel's ratio above MinimumDb, naming the channels that fall short.
void ExpectChannelsAbove(const std::vector<double>& ChannelDb, double MinimumDb);

} // namespace deraz::test
