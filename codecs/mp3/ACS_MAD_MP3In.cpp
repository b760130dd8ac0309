// TMP3In: the MP3 pipeline source (unit ACS_MAD).
#include <algorithm>

#include "codecs/CodecLibraries.h"
#include "codecs/PlayingTime.h"
#include "codecs/mp3/ACS_MAD.h"
#include "codecs/mp3/MadDecoder.h"
#include "codecs/mp3/Mp3Tags.h"

namespace deraz {

namespace {

// Whether the first Layer III frame of File is a Xing/Info frame that counts the frames after
// it; leaves File at its start.
bool StatesFrameCount(TFileStream& File) {
    TAudioRange Range = FindAudio(File);
    uint8_t Head[4096];
    const int64_t Count = File.Read(Head, std::min<int64_t>(sizeof Head, Range.End - Range.Start));
    File.Seek(0);
    for (int64_t I = 0; I + 4 <= Count; ++I) {
        const uint8_t Version = (Head[I + 1] >> 3) & 3, Layer = (Head[I + 1] >> 1) & 3;
        if (Head[I] != 0xFF || (Head[I + 1] & 0xE0) != 0xE0 || Version == 1 || Layer != 1) continue;
        const bool Crc = (Head[I + 1] & 1) == 0, Mono = (Head[I + 3] >> 6) == 3;
        return ParseXingFrame(Head + I, size_t(Count - I), Version != 3, Mono, Crc).Frames > 0;
    }
    return false;
}

} // namespace

TMP3In::TMP3In(TComponent* AOwner)
    : TACSFileIn(AOwner), Api((RequireLibrary(Mpg123Library()), Mpg123Library().Functions())) {}

TMP3In::~TMP3In() {
    CloseDecoder();
}

mpg123_ssize_t TMP3In::ReadStream(void* Handle, void* Buffer, size_t Count) {
    try {
        return static_cast<TMP3In*>(Handle)->FStream->Read(Buffer, int64_t(Count));
    } catch (const std::exception&) {
        return -1;
    }
}

off_t TMP3In::SeekStream(void* Handle, off_t Offset, int Whence) {
    try {
        TFileStream& Stream = *static_cast<TMP3In*>(Handle)->FStream;
        Stream.Seek(Offset, Whence);
        return off_t(Stream.Position());
    } catch (const std::exception&) {
        return -1;
    }
}

void TMP3In::OpenSource() {
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    FHandle = OwnHandle(Api.mpg123_new(nullptr, nullptr), Api.mpg123_delete);
    if (!FHandle) throw EACSException("The MP3 decoder could not be created.");
    Api.mpg123_param(FHandle.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    // Damage of any length is skipped: decoding resumes at the next good frame.
    Api.mpg123_param(FHandle.get(), MPG123_RESYNC_LIMIT, -1, 0);
    // Signed 16-bit output at every rate the decoder knows, rounded and clipped by it.
    Api.mpg123_format_none(FHandle.get());
    const long* Rates = nullptr;
    size_t RateCount = 0;
    Api.mpg123_rates(&Rates, &RateCount);
    for (size_t I = 0; I < RateCount; ++I)
        Api.mpg123_format(FHandle.get(), Rates[I], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    const bool Counted = StatesFrameCount(*FStream);
    FStatedFrames = -1;
    long Rate = 0;
    int Channels = 0, Encoding = 0;
    if (Api.mpg123_replace_reader_handle(FHandle.get(), ReadStream, SeekStream, nullptr) == MPG123_OK &&
        Api.mpg123_open_handle(FHandle.get(), this) == MPG123_OK &&
        Api.mpg123_getformat(FHandle.get(), &Rate, &Channels, &Encoding) == MPG123_OK) {
        // Later frames of another rate or channel count are converted to the first frame's
        // format: the PCM keeps the layout announced here.
        Api.mpg123_format_none(FHandle.get());
        Api.mpg123_format(FHandle.get(), Rate, Channels == 1 ? MPG123_MONO : MPG123_STEREO,
                          MPG123_ENC_SIGNED_16);
        FValid = true;
        FSampleRate = int32_t(Rate);
        FChannels = Channels;
        FBitsPerSample = 16;
        int64_t Length = Api.mpg123_length(FHandle.get());
        FTotalSamples = std::max<int64_t>(Length, 0);
        FSize = Length >= 0 ? FTotalSamples * FChannels * 2 : -1;
        if (Counted && Length > 0) FStatedFrames = Length;
    } else if (HoldsOnlyTags(*FStream)) {
        // An MP3 without audio frames: valid and empty. The format is a stand-in that every
        // sink takes; no sample is ever delivered in it.
        FStream->Seek(0, SEEK_END);
        FValid = true;
        FSampleRate = 44100;
        FChannels = 2;
        FBitsPerSample = 16;
        FTotalSamples = 0;
        FSize = 0;
    } else {
        FSampleRate = FChannels = FBitsPerSample = 0;
        FTotalSamples = FSize = 0;
        FDecodeError = "No MPEG audio frame was found.";
    }
}

void TMP3In::CloseDecoder() {
    if (FHandle.get()) Api.mpg123_close(FHandle.get());
    FHandle.reset();
    FStream.reset();
}

void TMP3In::CloseSource() {
    CloseDecoder();
}

bool TMP3In::Seek(int64_t SampleNum) {
    OpenFile();
    bool Done = FValid && Api.mpg123_seek(FHandle.get(), SampleNum, SEEK_SET) >= 0;
    CloseFile();
    return Done;
}

bool TMP3In::SizeIsEstimate() const {
    return FStartSample == 0 && FEndSample == -1;
}

std::span<const uint8_t> TMP3In::Refill() {
    if (!FValid || !FHandle) return {};
    int32_t Wanted = BufferSize;
    if (!SizeIsEstimate()) Wanted = int32_t(std::min<int64_t>(Wanted, FSize - FPosition));
    size_t Count = 0;
    int Result = MPG123_OK;
    // A change of format delivers nothing once; damaged frames the decoder skips by itself.
    do {
        Result = Api.mpg123_read(FHandle.get(), FBuffer, size_t(std::max(Wanted, 0)), &Count);
    } while (Count == 0 && Wanted > 0 && Result == MPG123_NEW_FORMAT);
    if (SizeIsEstimate()) {
        if (Count == 0) {
            FSize = FPosition.load();
            NoteEarlyEnd();
        } else if (FPosition + int64_t(Count) > FSize)
            FSize = FPosition + int64_t(Count);
    }
    return {FBuffer, Count};
}

void TMP3In::NoteEarlyEnd() {
    const int64_t Decoded = FPosition / (int64_t(FChannels) * 2);
    // Less than a frame short is rounding between the decoder and the count, not a cut.
    constexpr int64_t SamplesPerFrame = 1152;
    if (FStatedFrames > 0 && Decoded + SamplesPerFrame <= FStatedFrames)
        FNote = "The input ends early: " + Seconds(Decoded, FSampleRate) + " of " +
                Seconds(FStatedFrames, FSampleRate) + " s decoded.";
}

} // namespace deraz
