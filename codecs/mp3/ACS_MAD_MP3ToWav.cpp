// TMP3ToWav: one MP3 file into one WAV file on a thread of its own (unit ACS_MAD).
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <thread>

#include "codecs/mp3/ACS_MAD.h"
#include "codecs/mp3/MadDecoder.h"
#include "codecs/mp3/Mp3Tags.h"
#include "codecs/wave/WavHeaderWriter.h"

namespace deraz {

namespace {

class EStopped : public std::runtime_error {
public:
    EStopped() : std::runtime_error("stopped") {}
};

} // namespace

class TMP3ToWav::TWorker {
public:
    explicit TWorker(TMP3ToWav& Owner)
        : FOwner(Owner), FInput(Owner.FInputFile), FOutput(Owner.FOutputFile) {}
    ~TWorker() {
        Abort = true;
        if (FThread.joinable()) FThread.join();
    }
    // Started once the owner holds the worker, so that handlers can ask the owner for progress.
    void Start() {
        FThread = std::thread([this] { Execute(); });
    }

    std::atomic<bool> Abort{false};
    std::atomic<bool> Finished{false};
    std::atomic<int32_t> Percent{0};

private:
    void Execute() {
        bool Success = false;
        bool Created = false;
        try {
            Success = Decode(Created);
        } catch (const std::exception&) {
            Success = false;
        }
        if (!Success && Created) {
            std::error_code Ignored;
            std::filesystem::remove(FOutput, Ignored);
        }
        if (Success) SetPercent(100);
        Finished = true;
        if (FOwner.OnDone) FOwner.OnDone(&FOwner, Success);
    }

    void SetPercent(int32_t Value) {
        if (Percent.exchange(Value) != Value && FOwner.OnProgress) FOwner.OnProgress(&FOwner);
    }

    bool Decode(bool& Created) {
        if (FInput.empty() || FOutput.empty()) return false;
        std::error_code Error;
        // Never write over the file being read.
        if (std::filesystem::equivalent(FInput, FOutput, Error)) return false;
        TFileStream In(FInput, TFileOpenMode::ReadOnly);
        TAudioRange Range = FindAudio(In);
        TFileStream Out(FOutput, TFileOpenMode::Create);
        Created = true;
        Out.Write(WaveFileHeader({}, 0).data(), WaveHeaderSize);
        int64_t Position = Range.Start;
        int32_t Channels = 0, SampleRate = 0;
        uint64_t DataBytes = 0;
        TMadDecoder Decoder(
            MadLibrary().Functions(),
            [&](uint8_t* Buffer, size_t Count) -> size_t {
                if (Abort) throw EStopped();
                size_t Got = size_t(In.Read(Buffer, std::min<int64_t>(int64_t(Count), Range.End - Position)));
                Position += int64_t(Got);
                int64_t Length = std::max<int64_t>(1, Range.End - Range.Start);
                SetPercent(int32_t((Position - Range.Start) * 100 / Length));
                return Got;
            },
            [&](const int16_t* Samples, int32_t Frames, int32_t FrameChannels, int32_t Rate) {
                if (Abort) throw EStopped();
                if (Channels == 0) {
                    Channels = FrameChannels;
                    SampleRate = Rate;
                }
                uint64_t Bytes = uint64_t(Frames) * Channels * 2;
                Out.Write(Samples, int64_t(Bytes));
                DataBytes += Bytes;
            });
        if (Decoder.Run() == 0) return false;
        // A WAV file cannot describe more data than its 32-bit sizes hold.
        if (DataBytes > std::numeric_limits<uint32_t>::max() - WaveHeaderSize) return false;
        Out.Seek(0);
        Out.Write(WaveFileHeader(PcmFormatRecord(Channels, SampleRate, 16), uint32_t(DataBytes)).data(),
                  WaveHeaderSize);
        Out.Flush();
        return true;
    }

    TMP3ToWav& FOwner;
    std::string FInput;
    std::string FOutput;
    std::thread FThread;
};

TMP3ToWav::TMP3ToWav(TComponent* AOwner) : TComponent(AOwner) {
    if (!MadLibrary().Loaded()) throw std::runtime_error(MadLibrary().NotLoadedMessage());
}

TMP3ToWav::~TMP3ToWav() = default;

void TMP3ToWav::Run() {
    if (Running()) throw EACSException("Component is buisy");
    FWorker.reset();
    FWorker = std::make_unique<TWorker>(*this);
    FWorker->Start();
}

void TMP3ToWav::Stop() {
    if (FWorker) FWorker->Abort = true;
}

bool TMP3ToWav::Running() const {
    return FWorker && !FWorker->Finished;
}

int32_t TMP3ToWav::Progress() const {
    return FWorker ? FWorker->Percent.load() : 0;
}

} // namespace deraz
