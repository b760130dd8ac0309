#include "codecs/wave/AcmMpegLayer3.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "codecs/mp3/MadDecoder.h"
#include "platform/Acm.h"

namespace deraz {

namespace {

bool SuggestPcm(const WAVEFORMATEX& Source, WAVEFORMATEX& Pcm) {
    if (Source.nChannels < 1 || Source.nChannels > 2 || Source.nSamplesPerSec < 8000 ||
        Source.nSamplesPerSec > 48000)
        return false;
    Pcm.nChannels = Source.nChannels;
    Pcm.nSamplesPerSec = Source.nSamplesPerSec;
    Pcm.wBitsPerSample = 16;
    Pcm.nBlockAlign = uint16_t(Source.nChannels * 2);
    Pcm.nAvgBytesPerSec = Pcm.nSamplesPerSec * Pcm.nBlockAlign;
    Pcm.cbSize = 0;
    return true;
}

// Twice what the declared average bit rate gives (variable bit rates swing around it), never
// more than the lowest bit rate of the stream's MPEG version could need, and two frames more.
uint32_t PcmSize(const WAVEFORMATEX& Source, uint32_t SourceBytes) {
    double Rate = Source.nSamplesPerSec, BlockAlign = Source.nChannels * 2.0;
    double LowestBytesPerSecond = (Rate >= 32000 ? 32000 : 8000) / 8.0;
    double Seconds = SourceBytes / LowestBytesPerSecond;
    if (Source.nAvgBytesPerSec >= LowestBytesPerSecond)
        Seconds = std::min(Seconds, 2.0 * SourceBytes / Source.nAvgBytesPerSec);
    double Bytes = (Seconds * Rate + 2 * 1152) * BlockAlign;
    return uint32_t(std::min(Bytes, double(UINT32_MAX - 3)) / BlockAlign) * uint32_t(BlockAlign);
}

int64_t Convert(const WAVEFORMATEX& /*Source*/, const WAVEFORMATEX& Pcm, const uint8_t* Data, uint32_t Size,
                uint8_t* Dest, uint32_t Capacity) {
    size_t Read = 0, Written = 0;
    TMadDecoder Decoder(
        MadLibrary().Functions(),
        [&](uint8_t* Buffer, size_t Count) {
            size_t Got = std::min<size_t>(Count, Size - Read);
            if (Got) std::memcpy(Buffer, Data + Read, Got);
            Read += Got;
            return Got;
        },
        [&](const int16_t* Samples, int32_t Frames, int32_t Channels, int32_t /*SampleRate*/) {
            size_t Bytes = size_t(Frames) * Pcm.nBlockAlign;
            if (Written + Bytes > Capacity) throw std::length_error("destination too small");
            auto* Out = reinterpret_cast<int16_t*>(Dest + Written);
            // Frames are fitted to the channel count of the format record.
            for (int32_t Frame = 0; Frame < Frames; ++Frame)
                for (int32_t Channel = 0; Channel < Pcm.nChannels; ++Channel)
                    *Out++ = Samples[Frame * Channels + std::min(Channel, Channels - 1)];
            Written += Bytes;
        });
    try {
        if (Decoder.Run() == 0) return -1;
    } catch (const std::exception&) {
        return -1;
    }
    return int64_t(Written);
}

} // namespace

void InstallMpegLayer3AcmCodec() {
    static std::once_flag Once;
    std::call_once(Once, [] {
        if (MadLibrary().Loaded()) AcmInstallCodec({WAVE_FORMAT_MPEGLAYER3, SuggestPcm, PcmSize, Convert});
    });
}

} // namespace deraz
