#include "tests/macdll/ApeTestSupport.h"

#include "macdll/MACDll.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

namespace deraz::test {

namespace {

void PutSample(std::vector<uint8_t>& Out, int32_t Bits, int32_t S) {
    if (Bits == 8) {
        Out.push_back(uint8_t(S + 128));
        return;
    }
    for (int32_t Byte = 0; Byte < Bits / 8; ++Byte) Out.push_back(uint8_t(S >> (8 * Byte)));
}

} // namespace

TPcm ApeTestPcm(TApeSignal Signal, int32_t Blocks, int32_t Channels, int32_t Bits, uint32_t Seed) {
    TPcm Pcm;
    Pcm.Channels = Channels;
    Pcm.Bits = Bits;
    Pcm.Bytes.reserve(size_t(Blocks) * size_t(Pcm.BlockAlign()));
    std::mt19937 Random(Seed);
    const int32_t Max = (1 << (Bits - 1)) - 1;
    std::uniform_int_distribution<int32_t> FullScale(-Max - 1, Max);
    const std::vector<int16_t> Music = MusicLikeSignal(Blocks, Channels, Pcm.SampleRate, Seed);
    constexpr int32_t FrameBlocks = 73728;
    for (int32_t T = 0; T < Blocks; ++T) {
        for (int32_t C = 0; C < Channels; ++C) {
            const int32_t M = Music[size_t(T) * Channels + C];
            int32_t S = 0;
            switch (Signal) {
            case TApeSignal::Music:
                // 24-bit: the music shifted up with busy low bits; 8-bit: its top byte.
                S = Bits == 24 ? M * 256 + (FullScale(Random) & 0xFF) : Bits == 8 ? M >> 8 : M;
                break;
            case TApeSignal::FullScaleNoise:
                S = FullScale(Random);
                break;
            case TApeSignal::SpecialFrames: {
                // Frame k of a level-1000 file: 0 silent, 1 pseudo-stereo, 2 c0 silent, 3 c1 silent, 4 music.
                const int32_t Kind = (T / FrameBlocks) % 5;
                const int32_t First = Music[size_t(T) * Channels];
                S = Kind == 0   ? 0
                    : Kind == 1 ? First
                    : Kind == 2 ? (C == 0 ? 0 : M)
                    : Kind == 3 ? (C == 1 ? 0 : M)
                                : M;
                break;
            }
            }
            PutSample(Pcm.Bytes, Bits, S);
        }
    }
    return Pcm;
}

std::vector<uint8_t> WavHeader(const TPcm& Pcm) {
    WAVEFORMATEX Format;
    FillWaveFormatEx(&Format, Pcm.SampleRate, Pcm.Bits, Pcm.Channels);
    WAVE_HEADER Header;
    FillWaveHeader(&Header, int(Pcm.Bytes.size()), &Format, 0);
    std::vector<uint8_t> Bytes(sizeof Header);
    std::memcpy(Bytes.data(), &Header, sizeof Header);
    return Bytes;
}

int EncodeApe(const std::string& FileName, const TPcm& Pcm, int Level, int MaxAudioBytes,
              const std::vector<uint8_t>* Header) {
    int Error = 0;
    std::unique_ptr<void, void (*)(void*)> Handle(c_APECompress_Create(&Error), c_APECompress_Destroy);
    if (Error) return Error;
    WAVEFORMATEX Format;
    FillWaveFormatEx(&Format, Pcm.SampleRate, Pcm.Bits, Pcm.Channels);
    Error = c_APECompress_Start(Handle.get(), FileName.c_str(), &Format, MaxAudioBytes, Level,
                                Header ? Header->data() : nullptr, Header ? int(Header->size()) : -1);
    if (Error) return Error;
    for (size_t Done = 0; Done < Pcm.Bytes.size();) {
        const size_t Piece = std::min<size_t>(65536, Pcm.Bytes.size() - Done);
        for (size_t Copied = 0; Copied < Piece;) {
            int Available = 0;
            unsigned char* Buffer = c_APECompress_LockBuffer(Handle.get(), &Available);
            if (!Buffer || Available <= 0) return ERROR_UNDEFINED;
            const size_t Bytes = std::min(size_t(Available), Piece - Copied);
            std::memcpy(Buffer, Pcm.Bytes.data() + Done + Copied, Bytes);
            if ((Error = c_APECompress_UnlockBuffer(Handle.get(), int(Bytes), 1))) return Error;
            Copied += Bytes;
        }
        Done += Piece;
    }
    return c_APECompress_Finish(Handle.get(), nullptr, 0, 0);
}

int DecodeApe(const std::string& FileName, TPcm& Pcm) {
    int Error = 0;
    std::unique_ptr<void, void (*)(void*)> Handle(c_APEDecompress_Create(FileName.c_str(), &Error),
                                                  c_APEDecompress_Destroy);
    if (!Handle) return Error ? Error : ERROR_UNDEFINED;
    Pcm.Channels = int32_t(c_APEDecompress_GetInfo(Handle.get(), APE_INFO_CHANNELS, 0, 0));
    Pcm.Bits = int32_t(c_APEDecompress_GetInfo(Handle.get(), APE_INFO_BITS_PER_SAMPLE, 0, 0));
    Pcm.SampleRate = int32_t(c_APEDecompress_GetInfo(Handle.get(), APE_INFO_SAMPLE_RATE, 0, 0));
    Pcm.Bytes.clear();
    std::vector<char> Buffer(4096 * size_t(Pcm.BlockAlign()));
    for (;;) {
        int Retrieved = 0;
        if ((Error = c_APEDecompress_GetData(Handle.get(), Buffer.data(), 4096, &Retrieved))) return Error;
        if (Retrieved == 0) return 0;
        Pcm.Bytes.insert(Pcm.Bytes.end(), Buffer.begin(), Buffer.begin() + Retrieved * Pcm.BlockAlign());
    }
}

std::vector<uint8_t> DecodeWithFfmpegChecked(const std::string& FileName, int32_t Bits) {
    TTempDir Dir;
    const std::string Raw = Dir.File("decoded.raw");
    const std::string Format = Bits == 8 ? "u8" : Bits == 16 ? "s16le" : "s24le";
    if (RunCommand("ffmpeg -nostdin -v error -xerror -err_detect crccheck+explode -y -i " +
                   ShellQuote(FileName) + " -f " + Format + " " + ShellQuote(Raw)) != 0)
        return {};
    return ReadFileBytes(Raw);
}

} // namespace deraz::test
