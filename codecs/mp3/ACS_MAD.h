// MP3 decoding: TMP3In, the pipeline source for MP3 files (through libmpg123), and TMP3ToWav,
// a component that turns one MP3 file into a 16-bit PCM WAV file on a thread of its own
// (through libmad).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "codecs/OwnedHandle.h"
#include "codecs/mp3/Mpg123Library.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// MP3 file source delivering 16-bit PCM. Gapless: the encoder delay and padding that a LAME tag
// names are left out, so the decoded length is the encoder's input length.
class TMP3In : public TACSFileIn {
public:
    // Raises EACSException "<file> library could not be loaded." without libmpg123.
    explicit TMP3In(TComponent* AOwner = nullptr);
    ~TMP3In() override;

    bool Seek(int64_t SampleNum) override;

protected:
    void OpenSource() override;
    void CloseSource() override;
    std::span<const uint8_t> Refill() override;

private:
    static constexpr int32_t BufferSize = 16384;

    // Whether Size is the decoder's estimate, to be corrected as decoding goes on.
    bool SizeIsEstimate() const;
    void CloseDecoder();

    static mpg123_ssize_t ReadStream(void* Handle, void* Buffer, size_t Count);
    static off_t SeekStream(void* Handle, off_t Offset, int Whence);

    // At the end of the stream, notes when fewer sample frames came than the Xing/LAME frame states.
    void NoteEarlyEnd();

    const TMpg123Api& Api;
    TOwnedHandle<mpg123_handle> FHandle;
    int64_t FStatedFrames = -1; // sample frames the Xing/LAME frame count states; -1 without one
    uint8_t FBuffer[BufferSize];
};

using TMADProgressEvent = std::function<void(TComponent* Sender)>;
using TMADDoneEvent = std::function<void(TComponent* Sender, bool Success)>;

class TMP3ToWav : public TComponent {
public:
    // Raises std::runtime_error "<file> library could not be loaded." without libmad.
    explicit TMP3ToWav(TComponent* AOwner = nullptr);
    // Stops a run under way and waits for its end.
    ~TMP3ToWav() override;

    const std::string& InputFile() const { return FInputFile; }
    void SetInputFile(std::string Value) { FInputFile = std::move(Value); }
    const std::string& OutputFile() const { return FOutputFile; }
    void SetOutputFile(std::string Value) { FOutputFile = std::move(Value); }

    // Starts decoding InputFile into OutputFile and returns at once; raises EACSException
    // "Component is buisy" while a run is under way. OnProgress and OnDone are called on the
    // run's thread; OnDone exactly once per run, false when no WAV was made (the output file is
    // then removed). Neither handler may destroy the component or start a run.
    void Run();
    // Asks the run to end; it then reports OnDone(false).
    void Stop();
    // Percent of the input decoded by the current or last run; 0 before any run.
    int32_t Progress() const;
    bool Running() const;

    TMADProgressEvent OnProgress;
    TMADDoneEvent OnDone;

private:
    class TWorker;

    std::string FInputFile;
    std::string FOutputFile;
    std::unique_ptr<TWorker> FWorker;
};

} // namespace deraz
