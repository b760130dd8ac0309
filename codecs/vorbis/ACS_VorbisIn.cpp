#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <limits>

#include "codecs/vorbis/ACS_Vorbis.h"
#include "pipeline/ChannelLayout.h"

namespace deraz {

namespace {

// Why the decoder refused to open a file, for the user.
std::string OpenFailure(int Code) {
    switch (Code) {
    case OV_EREAD:
        return "The file could not be read.";
    case OV_EVERSION:
        return "The Vorbis version of the stream is not supported.";
    case OV_EBADHEADER:
        return "The Vorbis headers are damaged.";
    default:
        return "The file holds no Ogg Vorbis stream.";
    }
}

// Appends Frames frames of 16-bit samples in Vorbis channel order to Out in WAV order; layouts
// beyond the standard ones are kept as they are.
void AppendInWaveOrder(const uint8_t* In, size_t Frames, int32_t Channels, std::vector<uint8_t>& Out) {
    const size_t FrameBytes = size_t(Channels) * 2;
    const size_t Start = Out.size();
    Out.insert(Out.end(), In, In + Frames * FrameBytes);
    std::span<const int32_t> WaveIndex = VorbisOrderFromWave(Channels);
    if (Channels <= 2 || WaveIndex.empty()) return;
    uint8_t* Target = Out.data() + Start;
    for (size_t Frame = 0; Frame < Frames; ++Frame, In += FrameBytes, Target += FrameBytes)
        for (int32_t Channel = 0; Channel < Channels; ++Channel)
            std::copy_n(In + 2 * Channel, 2, Target + 2 * WaveIndex[size_t(Channel)]);
}

} // namespace

TVorbisIn::TVorbisIn(TComponent* AOwner) : TACSFileIn(AOwner) {
    RequireVorbisLibraries();
    FBitsPerSample = 16;
}

TVorbisIn::~TVorbisIn() {
    if (FDecoderOpen) VorbisFileLibrary()->ov_clear(&FVorbisFile);
}

size_t TVorbisIn::ReadCallback(void* Buffer, size_t Size, size_t Count, void* Source) {
    auto* Self = static_cast<TVorbisIn*>(Source);
    try {
        return size_t(Self->FStream->Read(Buffer, int64_t(Size * Count)));
    } catch (const std::exception&) {
        // The decoder takes a short read with errno set as a read error.
        errno = EIO;
        return 0;
    }
}

int TVorbisIn::SeekCallback(void* Source, ogg_int64_t Offset, int Whence) {
    auto* Self = static_cast<TVorbisIn*>(Source);
    try {
        Self->FStream->Seek(Offset, Whence == 1 ? SEEK_CUR : Whence == 2 ? SEEK_END : SEEK_SET);
        // Only -1 means failure to the decoder; a position past 2 GiB must not look like it.
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

int TVorbisIn::CloseCallback(void* Source) {
    static_cast<TVorbisIn*>(Source)->FStream.reset();
    return 0;
}

long TVorbisIn::TellCallback(void* Source) {
    return long(static_cast<TVorbisIn*>(Source)->FStream->Position());
}

void TVorbisIn::OpenSource() {
    FValid = true;
    FEndOfStream = false;
    FLink = -1;
    FConverter.reset();
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    ov_callbacks Callbacks{ReadCallback, SeekCallback, CloseCallback, TellCallback};
    if (int Code = VorbisFileLibrary()->ov_open_callbacks(this, &FVorbisFile, nullptr, 0, Callbacks)) {
        // Not Ogg Vorbis: the decoder leaves the stream to us and must not be used.
        FStream.reset();
        if (Code == OV_EREAD) throw EACSException(OpenFailure(Code));
        Invalidate(OpenFailure(Code));
        return;
    }
    FDecoderOpen = true;
    std::string Reason = ReadStreamInfo();
    // Opening a chain whose first link's audio fits in one page leaves the decoder at the start of
    // the second link, so decoding starts over at the first frame.
    const auto& VorbisFile = VorbisFileLibrary();
    if (Reason.empty() && VorbisFile->ov_pcm_tell(&FVorbisFile) != 0 &&
        VorbisFile->ov_pcm_seek(&FVorbisFile, 0) != 0)
        Reason = OpenFailure(OV_EREAD);
    if (!Reason.empty()) {
        CloseSource();
        Invalidate(std::move(Reason));
    }
}

std::string TVorbisIn::ReadStreamInfo() {
    const auto& VorbisFile = VorbisFileLibrary();
    FComments.clear();
    if (const vorbis_comment* Comment = VorbisFile->ov_comment(&FVorbisFile, 0))
        for (int I = 0; I < Comment->comments; ++I)
            FComments.emplace_back(Comment->user_comments[I], size_t(Comment->comment_lengths[I]));
    const vorbis_info* Info = VorbisFile->ov_info(&FVorbisFile, 0);
    FChannels = Info->channels;
    FSampleRate = int32_t(Info->rate);
    FBitsPerSample = 16;
    FMaxBitrate = int32_t(Info->bitrate_upper);
    FNominalBitrate = int32_t(Info->bitrate_nominal);
    FMinBitrate = int32_t(Info->bitrate_lower);
    if (std::string Reason = ReadLinks(); !Reason.empty()) return Reason;
    const TLink& Last = FLinks.back();
    FTotalSamples = Last.Start + Last.Length;
    FSize = FTotalSamples * 2 * FChannels;
    return {};
}

std::string TVorbisIn::ReadLinks() {
    const auto& VorbisFile = VorbisFileLibrary();
    FLinks.clear();
    FNote.clear();
    const long Count = std::max(1L, VorbisFile->ov_streams(&FVorbisFile));
    int64_t DecoderStart = 0, Start = 0;
    for (long Index = 0; Index < Count; ++Index) {
        const vorbis_info* Info = VorbisFile->ov_info(&FVorbisFile, int(Index));
        if (Info->rate < 1 || Info->rate > std::numeric_limits<int32_t>::max())
            return "A sample rate of " + std::to_string(Info->rate) + " Hz is not supported.";
        const int64_t Frames = std::max<int64_t>(0, VorbisFile->ov_pcm_total(&FVorbisFile, int(Index)));
        // Granule positions beyond any real recording are damage, not audio to wait for.
        if (Frames > MaxFrames) return "The stream's length is damaged.";
        TLink Link{Info->channels, int32_t(Info->rate), DecoderStart, Start,
                   ConvertedLength(Frames, int32_t(Info->rate), FSampleRate)};
        if (Link.Length > MaxFrames || Start + Link.Length > MaxFrames)
            return "The stream's length is damaged.";
        if (FNote.empty() && (Link.Channels != FChannels || Link.SampleRate != FSampleRate))
            FNote = "Chained streams in another format were converted to " + std::to_string(FSampleRate) +
                    " Hz and " + std::to_string(FChannels) + (FChannels == 1 ? " channel." : " channels.");
        FLinks.push_back(Link);
        DecoderStart += Frames;
        Start += Link.Length;
    }
    return {};
}

void TVorbisIn::Invalidate(std::string Reason) {
    FValid = false;
    FDecodeError = std::move(Reason);
    FNote.clear();
    FComments.clear();
    FLinks.clear();
    FChannels = 0;
    FSampleRate = 0;
    FTotalSamples = 0;
    FSize = 0;
    FMaxBitrate = FNominalBitrate = FMinBitrate = 0;
}

void TVorbisIn::CloseSource() {
    if (FDecoderOpen) VorbisFileLibrary()->ov_clear(&FVorbisFile);
    FDecoderOpen = false;
    FConverter.reset();
    FStream.reset();
}

bool TVorbisIn::Seek(int64_t SampleNum) {
    OpenFile();
    bool Done = false;
    if (FDecoderOpen && SampleNum >= 0) {
        // The last link that starts at or before the frame; past the end, the end of the last.
        auto After = std::upper_bound(FLinks.begin() + 1, FLinks.end(), SampleNum,
                                      [](int64_t Frame, const TLink& Link) { return Frame < Link.Start; });
        const TLink& Link = *(After - 1);
        const int64_t Offset = std::min(SampleNum - Link.Start, Link.Length);
        // A resampled link restarts at the last input frame that meets an output frame exactly,
        // so the frames after the seek are the ones a decoding from the start gives.
        const TRestartPoint Restart = RestartPoint(Offset, Link.SampleRate, FSampleRate);
        Done = VorbisFileLibrary()->ov_pcm_seek(&FVorbisFile, Link.DecoderStart + Restart.Input) == 0;
        if (Done) {
            FEndOfStream = false;
            EnterLink(int(After - 1 - FLinks.begin()), Restart.Output);
            if (FConverter) FConverter->Skip(Offset - Restart.Output);
        }
    }
    CloseFile();
    return Done;
}

void TVorbisIn::EnterLink(int Index, int64_t Offset) {
    FLink = Index;
    FConverter.reset();
    const TLink& Link = FLinks[size_t(Index)];
    if (Link.Channels != FChannels || Link.SampleRate != FSampleRate)
        FConverter = std::make_unique<TLinkConverter>(Link.Channels, Link.SampleRate, FChannels, FSampleRate,
                                                      Link.Length - Offset);
}

void TVorbisIn::Deliver(const uint8_t* Pcm, size_t Bytes) {
    const int32_t Channels = FLinks[size_t(FLink)].Channels;
    const size_t Frames = Bytes / (size_t(Channels) * 2);
    if (!FConverter) {
        AppendInWaveOrder(Pcm, Frames, Channels, FBuffer);
        return;
    }
    FReordered.clear();
    AppendInWaveOrder(Pcm, Frames, Channels, FReordered);
    FConverter->Convert(FReordered.data(), Frames, FBuffer);
}

std::string TVorbisIn::TimeReached() const {
    const int64_t Frame = (FPosition + int64_t(FBuffer.size())) / (int64_t(FChannels) * 2);
    const int64_t Milliseconds = FSampleRate > 0 ? Frame * 1000 / FSampleRate : 0;
    char Text[32];
    std::snprintf(Text, sizeof Text, "%lld:%02lld.%03lld", static_cast<long long>(Milliseconds / 60000),
                  static_cast<long long>(Milliseconds / 1000 % 60),
                  static_cast<long long>(Milliseconds % 1000));
    return Text;
}

std::span<const uint8_t> TVorbisIn::Refill() {
    FBuffer.clear();
    if (!FDecoderOpen) FEndOfStream = true;
    while (!FEndOfStream && FBuffer.size() < RefillBytes) {
        int Section = FLink;
        long Count = VorbisFileLibrary()->ov_read(&FVorbisFile, reinterpret_cast<char*>(FDecoded.data()),
                                                  ReadBufferSize, 0, 2, 1, &Section);
        // A hole (damaged or missing pages) is skipped; decoding goes on after it.
        if (Count == OV_HOLE) continue;
        if (Count < 0 || (Count > 0 && (Section < 0 || size_t(Section) >= FLinks.size())))
            throw EACSException("The Ogg Vorbis stream is damaged at " + TimeReached() + ".");
        // The link that ends gets the rest of its length before the next one starts.
        if (Count == 0 || Section != FLink) {
            if (FConverter) FConverter->Finish(FBuffer);
            if (Count == 0) {
                FEndOfStream = true;
                // Every link's length is known, so a decoding that ends short has lost audio.
                if (FPosition + int64_t(FBuffer.size()) < FSize)
                    throw EACSException("The Ogg Vorbis stream ends early, at " + TimeReached() + ".");
                break;
            }
            EnterLink(Section, 0);
        }
        Deliver(FDecoded.data(), size_t(Count));
    }
    const int64_t Limit = FSize;
    if (Limit >= 0 && FPosition + int64_t(FBuffer.size()) >= Limit) {
        FBuffer.resize(size_t(std::max<int64_t>(0, Limit - FPosition)));
        FEndOfStream = true;
    }
    return FBuffer;
}

} // namespace deraz
