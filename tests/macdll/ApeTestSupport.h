// Test audio and encode/decode helpers for the Monkey's Audio library tests, going through the
// library's C interface the way the pipeline components do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace deraz::test {

enum class TApeSignal {
    Music,          // music-like, moderately loud
    FullScaleNoise, // white noise at full scale (24-bit: stage-2 sums overflow 32 bits)
    SpecialFrames,  // 16-bit stereo: whole frames that are silent, pseudo-stereo, c0-silent, c1-silent
};

struct TPcm {
    int32_t Channels = 2;
    int32_t Bits = 16;
    int32_t SampleRate = 44100;
    std::vector<uint8_t> Bytes;
    int32_t BlockAlign() const { return Channels * Bits / 8; }
    int64_t Blocks() const { return int64_t(Bytes.size()) / BlockAlign(); }
};

TPcm ApeTestPcm(TApeSignal Signal, int32_t Blocks, int32_t Channels, int32_t Bits, uint32_t Seed = 1);

// A canonical 44-byte WAV header for the PCM.
std::vector<uint8_t> WavHeader(const TPcm& Pcm);

// Compresses through c_APECompress_* (LockBuffer/UnlockBuffer in pieces of 65,536 bytes).
// Header: stored verbatim, or none (the library then stores no header). Returns the error code
// of the first call that failed, or 0.
int EncodeApe(const std::string& FileName, const TPcm& Pcm, int Level, int MaxAudioBytes = -1,
              const std::vector<uint8_t>* Header = nullptr);
// Decompresses the whole file through c_APEDecompress_*; Pcm receives the format and audio.
int DecodeApe(const std::string& FileName, TPcm& Pcm);

// Raw PCM decoded by ffmpeg with every frame's CRC checked (empty when ffmpeg fails).
std::vector<uint8_t> DecodeWithFfmpegChecked(const std::string& FileName, int32_t Bits);

} // namespace deraz::test
