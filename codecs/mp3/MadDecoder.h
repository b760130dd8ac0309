// Decoding a whole MPEG audio stream to 16-bit PCM through libmad. The Xing/Info frame is not
// played, and the encoder delay and padding that a LAME tag names are trimmed, so the result
// starts and ends where the encoder's input did.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

#include "codecs/mp3/MadLibrary.h"

namespace deraz {

// What the first frame of a stream says about the stream when it is a Xing/Info frame.
struct TXingFrame {
    bool Present = false;
    // Audio frames after this one; -1 when not given.
    int64_t Frames = -1;
    // Samples the encoder added at the start and at the end; -1 without a LAME tag.
    int32_t EncoderDelay = -1;
    int32_t Padding = -1;
};

// Reads the Xing/Info header of a Layer III frame (Frame points at its header, Available bytes
// follow). Lsf: MPEG-2 or 2.5; Mono: one channel; Crc: the header is followed by a checksum.
TXingFrame ParseXingFrame(const uint8_t* Frame, size_t Available, bool Lsf, bool Mono, bool Crc);

class TMadDecoder {
public:
    // Fills Buffer with up to Count bytes of the stream; 0 at its end. May throw to stop the run.
    using TReader = std::function<size_t(uint8_t* Buffer, size_t Count)>;
    // Receives Frames interleaved sample frames of Channels channels. May throw to stop the run.
    using TWriter =
        std::function<void(const int16_t* Samples, int32_t Frames, int32_t Channels, int32_t SampleRate)>;

    TMadDecoder(const TMadApi& Api, TReader Reader, TWriter Writer);

    // Decodes the stream to its end. Damaged frames are skipped; an exception from the reader or
    // the writer ends the run and is raised again here. Returns the sample frames delivered.
    int64_t Run();

private:
    static mad_flow Input(void* Data, mad_stream* Stream);
    static mad_flow Filter(void* Data, const mad_stream* Stream, mad_frame* Frame);
    static mad_flow Output(void* Data, const mad_header* Header, mad_pcm* Pcm);
    static mad_flow Error(void* Data, mad_stream* Stream, mad_frame* Frame);

    // Runs Step, turning an exception into the end of the run.
    template <class Step> mad_flow Guarded(Step&& Action);
    mad_flow ReadMore(mad_stream& Stream);
    void Deliver(const mad_pcm& Pcm);

    const TMadApi& Api;
    TReader FReader;
    TWriter FWriter;
    std::vector<uint8_t> FInput;
    bool FInputEnded = false;
    bool FFirstFrame = true;
    // Samples still to drop at the start, and still to deliver (-1: all of them).
    int64_t FSkip = 0;
    int64_t FRemaining = -1;
    int32_t FChannels = 0;
    int64_t FDelivered = 0;
    std::vector<int16_t> FPcm;
    std::exception_ptr FFailure;
};

} // namespace deraz
