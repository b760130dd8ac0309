// Audio pipeline core: sources deliver interleaved PCM on demand, sinks pull it from their
// Input on a worker thread of their own and write it somewhere.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileStream.h"

namespace deraz {

// Every error of the pipeline and the codec components.
class EACSException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Base of all components: an owner, a name, and notification when a component this one
// refers to is destroyed.
class TComponent {
public:
    explicit TComponent(TComponent* AOwner = nullptr) : FOwner(AOwner) {}
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(std::string Value) { FName = std::move(Value); }

    // Asks that Other's Notification be called when this component is destroyed.
    void FreeNotification(TComponent* Other);
    void RemoveFreeNotification(TComponent* Other);

protected:
    // Called when AComponent, which this component asked to watch, is being destroyed.
    virtual void Notification(TComponent* /*AComponent*/) {}

private:
    TComponent* FOwner;
    std::string FName;
    std::vector<TComponent*> FFreeNotifies;
};

using TOutputDoneEvent = std::function<void(TComponent* Sender)>;
using TOutputProgressEvent = std::function<void(TComponent* Sender)>;
using TThreadExceptionEvent = std::function<void(TComponent* Sender, const std::exception& E)>;

enum TOutputState : uint8_t { osBusy = 0, osSuspended = 1, osIdle = 2 };
enum TFileOutputMode : uint8_t { foRewrite = 0, foAppend = 1 };

// Abstract source of PCM.
class TACSInput : public TComponent {
public:
    using TComponent::TComponent;

    virtual int32_t BitsPerSample() = 0;
    virtual int32_t Channels() = 0;
    virtual int32_t SampleRate() = 0;
    // Whole seconds of audio.
    virtual int32_t TotalTime() { return 0; }
    // Copies at most BufferSize bytes of PCM into Buffer and returns the count; fewer whenever
    // the source's own buffer runs dry, 0 only at the end of the data.
    virtual int32_t GetData(void* Buffer, int32_t BufferSize) = 0;
    // Flush, with any exception it raises swallowed, then not busy.
    virtual void Reset();
    virtual void Init() = 0;
    virtual void Flush() = 0;

    // Bytes delivered since Init; bytes the read will deliver in all (-1: unknown).
    int64_t Position() const { return FPosition; }
    int64_t Size() const { return FSize; }
    bool Busy() const { return FBusy; }

protected:
    std::atomic<int64_t> FPosition{0};
    std::atomic<int64_t> FSize{-1};
    std::atomic<bool> FBusy{false};
};

// Source that reads a byte stream.
class TACSStreamedInput : public TACSInput {
public:
    using TACSInput::TACSInput;
    TFileStream* Stream() const { return FStream.get(); }

protected:
    std::unique_ptr<TFileStream> FStream;
};

// Source that reads a named file.
class TACSFileIn : public TACSStreamedInput {
public:
    using TACSStreamedInput::TACSStreamedInput;

    const std::string& FileName() const { return FFileName; }
    void SetFileName(std::string Value) { FFileName = std::move(Value); }
    int64_t StartSample() const { return FStartSample; }
    void SetStartSample(int64_t Value) { FStartSample = Value; }
    int64_t EndSample() const { return FEndSample; }
    void SetEndSample(int64_t Value) { FEndSample = Value; }
    bool Loop() const { return FLoop; }
    void SetLoop(bool Value) { FLoop = Value; }
    // Whether the last OpenFile found a file it can decode.
    bool Valid() const { return FValid; }
    // Why the last OpenFile found the file not Valid: one sentence of facts, empty when Valid.
    const std::string& DecodeError() const { return FDecodeError; }
    // What the user should know about how the last opened file is delivered (one or more
    // sentences, e.g. float samples turned into integers); empty when delivered as stored.
    const std::string& Note() const { return FNote; }
    // Sample frames in the file, as its header gives them.
    int64_t TotalSamples() const { return FTotalSamples; }

    int32_t BitsPerSample() override;
    int32_t Channels() override;
    int32_t SampleRate() override;
    int32_t TotalTime() override;
    // Serves what Refill decoded, refilling when it is used up; with Loop the read starts over
    // from StartSample at the end of the data.
    int32_t GetData(void* Buffer, int32_t BufferSize) override;
    void Init() override;
    void Flush() override;
    // As TACSInput::Reset, and closes the source however many openings are still counted.
    void Reset() override;

    // When OpenCount is 0, opens the source (OpenSource): a file it cannot decode opens all the
    // same, not Valid, with the reason in DecodeError. Counts one more opening, except when the
    // file cannot be read at all: that raises, with nothing left open.
    void OpenFile();
    // Closes the source (CloseSource) when OpenCount is 1; counts one opening less.
    void CloseFile();
    // Positions the stream so that decoding starts at sample frame SampleNum.
    virtual bool Seek(int64_t SampleNum) = 0;

protected:
    // Opens the stream, reads the header and fills Valid, DecodeError, Note, the format fields,
    // Size and TotalSamples; raises only when the file cannot be read, after which CloseSource
    // is called.
    virtual void OpenSource() = 0;
    // Releases what OpenSource (even a failed one) left open.
    virtual void CloseSource() = 0;
    // Decodes the next piece of PCM into the source's own buffer and returns it; empty at the end
    // of the data. The bytes stay valid until the next Refill, Flush or Init.
    virtual std::span<const uint8_t> Refill() = 0;
    // Reads a format field with the file opened around the access.
    int32_t ReadFormatField(const int32_t& Field);

    std::string FFileName;
    int64_t FStartSample = 0;
    int64_t FEndSample = -1;
    bool FLoop = false;
    std::atomic<int32_t> FOpenCount{0};
    bool FValid = false;
    std::string FDecodeError;
    std::string FNote;
    int32_t FBitsPerSample = 0;
    int32_t FSampleRate = 0;
    int32_t FChannels = 0;
    int64_t FTotalSamples = 0;

private:
    // Decoded bytes not yet delivered.
    std::span<const uint8_t> FPending;
};

// A busy-wait flag: held around a GetData on an input and around a swap of that input.
class TSpinFlag {
public:
    void Lock() {
        while (FFlag.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
    }
    void Unlock() { FFlag.store(false, std::memory_order_release); }

private:
    std::atomic<bool> FFlag{false};
};

// Abstract filter: a source that reads from another source.
class TACSConverter : public TACSInput {
public:
    using TACSInput::TACSInput;
    ~TACSConverter() override;

    TACSInput* Input() const { return FInput; }
    virtual void SetInput(TACSInput* Value);
    // Releases the input lock of this converter and of every converter down its chain of inputs.
    void UnlockInputs();

protected:
    void Notification(TComponent* AComponent) override;

    std::atomic<TACSInput*> FInput{nullptr};
    TSpinFlag InputLock;
};

class TACSOutput;

// The worker thread of one sink. It sleeps on a condition variable between conversions and is
// woken by a resume token, so a Run that comes while it is on its way to sleep is never lost.
class TACSThread {
public:
    TACSThread(std::function<bool(bool)> DoOutput, std::function<void()> WhenDone,
               std::function<void(const std::exception&)> HandleException);
    // Ends the loop and joins the thread: a running worker makes one last step with Abort set;
    // a sleeping one is woken only to leave.
    ~TACSThread();

    std::atomic<bool> SuspendWhenIdle{true};
    std::atomic<bool> Abort{false};

    bool Suspended() const;
    // Starts the thread on first use, otherwise wakes it.
    void Resume();

private:
    void Execute();
    // Sleeps until Resume or termination; returns false when the thread is to end.
    bool Suspend();

    std::function<bool(bool)> FDoOutput;
    std::function<void()> FWhenDone;
    std::function<void(const std::exception&)> FHandleException;
    mutable std::mutex FMutex;
    std::condition_variable FWake;
    bool FResumeToken = false;
    bool FSuspended = true;
    std::atomic<bool> FTerminating{false};
    std::thread FThread;
};

// Abstract sink. It owns a worker thread that calls DoOutput until the input runs dry.
class TACSOutput : public TComponent {
public:
    explicit TACSOutput(TComponent* AOwner = nullptr);
    ~TACSOutput() override;

    // Starts a conversion and returns at once; raises "Component is buisy" while one runs and
    // "Input is not assigned" without an input. A failing Prepare leaves nothing open or behind
    // (see Prepare) and arrives through OnThreadException on this thread.
    void Run();
    // Asks the worker to end the conversion at its next step; the output is finished as usual.
    void Stop();
    TOutputState Status() const;
    // Percent of the input consumed (ties to even); 0 without input or when Size is 0,
    // -1 when Size is unknown.
    int32_t Progress() const;

    TACSInput* Input() const { return FInput; }
    virtual void SetInput(TACSInput* Value);
    bool SuspendWhenIdle() const;
    void SetSuspendWhenIdle(bool Value);
    bool Busy() const { return FBusy; }
    // What the user should know about the last conversion's output (e.g. another sample rate or
    // fewer channels than the input's); empty when the output holds the input as it is.
    const std::string& Note() const { return FNote; }

    TOutputDoneEvent OnDone;
    TOutputProgressEvent OnProgress;
    TThreadExceptionEvent OnThreadException;

protected:
    // One step of output; false when there is nothing more to do.
    virtual bool DoOutput(bool Abort) = 0;
    // Opens the output, starts the input (StartInput) and writes any header. When it raises, the
    // output is closed (CloseOutput), what it created is removed (DiscardOutput) and a started
    // input is flushed.
    virtual void Prepare() = 0;
    // Completes the output while it is still open: the last frames, header fields written back.
    virtual void FinishOutput() {}
    // Releases the output's stream and encoder, after every conversion and every failed Prepare.
    virtual void CloseOutput() {}
    // Removes what a failed Prepare created.
    virtual void DiscardOutput() {}

    // Initialises the input for a conversion; the conversion's end flushes it.
    void StartInput();
    // Ends a conversion: FinishOutput, CloseOutput, the input flushed. Every step runs whatever
    // the one before raised; the first error is raised again.
    void Done();

    // Every concrete sink calls this first in its destructor, so that the worker never runs a
    // step on a partly destroyed sink. A conversion still running is finished (Done) first.
    void TerminateWorker();

    // The common start of every DoOutput: returns the step's result when there is nothing to
    // encode (true while CanOutput is false, false after Abort), after reporting progress.
    std::optional<bool> BeginStep(bool Abort);
    // GetData on Input under InputLock.
    int32_t ReadInput(void* Buffer, int32_t BufferSize);

    void Notification(TComponent* AComponent) override;

    std::atomic<bool> FBusy{false};
    std::atomic<bool> CanOutput{false};
    // Set by Prepare; cleared by Run.
    std::string FNote;
    int32_t LastProgress = 0;
    TSpinFlag InputLock;

private:
    void WhenDone();
    void HandleException(const std::exception& E);
    // Undoes a failed Prepare; its errors give way to the one Prepare raised.
    void AbandonOutput();
    void FlushInput();

    std::atomic<TACSInput*> FInput{nullptr};
    bool FInputStarted = false;
    std::unique_ptr<TACSThread> FThread;
};

// Sink that writes a byte stream.
class TACSStreamedOutput : public TACSOutput {
public:
    using TACSOutput::TACSOutput;
    TFileStream* Stream() const { return FStream.get(); }

protected:
    std::unique_ptr<TFileStream> FStream;
};

// Sink that writes a named file.
class TACSFileOut : public TACSStreamedOutput {
public:
    using TACSStreamedOutput::TACSStreamedOutput;

    const std::string& FileName() const { return FFileName; }
    void SetFileName(std::string Value) { FFileName = std::move(Value); }
    TFileOutputMode FileMode() const { return FFileMode; }
    // The base stores foRewrite whatever it is given; sinks that can append override it.
    virtual void SetFileMode(TFileOutputMode Value);

protected:
    // Raises when FileName is empty or names the file the input reads, which must never be
    // written over. Every file sink's Prepare starts with it or with OpenOutputStream.
    void CheckOutputName();
    // Checks the name and opens FStream on it: a new or emptied file, or with Append an existing
    // file opened for reading and writing (a missing one is created).
    void OpenOutputStream(bool Append = false);
    void CloseOutput() override;
    // Removes the file that OpenOutputStream created; an appended file stays.
    void DiscardOutput() override;

    std::string FFileName;
    TFileOutputMode FFileMode = foRewrite;

private:
    bool FCreated = false;
};

} // namespace deraz
