#include "pipeline/ACS_Classes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <initializer_list>

#include "platform/System.h"

namespace deraz {

// ---- TComponent ----

TComponent::~TComponent() {
    // Copy first: a notified component may remove itself from the list.
    auto Watchers = FFreeNotifies;
    for (TComponent* Watcher : Watchers) {
        Watcher->RemoveFreeNotification(this);
        Watcher->Notification(this);
    }
}

void TComponent::FreeNotification(TComponent* Other) {
    if (!Other || Other == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Other) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(Other);
        Other->FreeNotification(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* Other) {
    auto It = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Other);
    if (It == FFreeNotifies.end()) return;
    FFreeNotifies.erase(It);
    Other->RemoveFreeNotification(this);
}

// ---- TACSInput ----

void TACSInput::Reset() {
    try {
        Flush();
    } catch (const std::exception&) {
    }
    FBusy = false;
}

// ---- TACSFileIn ----

void TACSFileIn::OpenFile() {
    if (FOpenCount == 0) {
        FValid = false;
        FDecodeError.clear();
        FNote.clear();
        try {
            OpenSource();
        } catch (...) {
            CloseSource();
            throw;
        }
    }
    ++FOpenCount;
}

void TACSFileIn::CloseFile() {
    if (FOpenCount == 1) CloseSource();
    if (FOpenCount > 0) --FOpenCount;
}

int32_t TACSFileIn::ReadFormatField(const int32_t& Field) {
    OpenFile();
    int32_t Value = Field;
    CloseFile();
    return Value;
}

int32_t TACSFileIn::BitsPerSample() {
    return ReadFormatField(FBitsPerSample);
}
int32_t TACSFileIn::Channels() {
    return ReadFormatField(FChannels);
}
int32_t TACSFileIn::SampleRate() {
    return ReadFormatField(FSampleRate);
}

int32_t TACSFileIn::TotalTime() {
    OpenFile();
    int32_t Result = 0;
    int32_t BytesPerSample = FBitsPerSample / 8;
    if (FSampleRate != 0 && FChannels != 0 && BytesPerSample != 0)
        Result = static_cast<int32_t>(
            std::nearbyint(static_cast<double>(FSize) / (double(FSampleRate) * FChannels * BytesPerSample)));
    CloseFile();
    return Result;
}

void TACSFileIn::Init() {
    if (FBusy) throw EACSException("The component is buisy");
    if (FFileName.empty()) throw EACSException("The file name is not assigned");
    OpenFile();
    if (FStartSample != 0) Seek(FStartSample);
    if (FStartSample != 0 || FEndSample != -1) {
        int64_t Frames = (FEndSample == -1 ? FTotalSamples : FEndSample) - FStartSample;
        FSize = std::max<int64_t>(0, Frames) * (FBitsPerSample / 8) * FChannels;
    }
    FBusy = true;
    FPending = {};
    FPosition = 0;
}

int32_t TACSFileIn::GetData(void* Buffer, int32_t BufferSize) {
    if (!FBusy) throw EACSException("The Stream is not opened");
    if (FPending.empty()) {
        FPending = Refill();
        if (FPending.empty() && FLoop) {
            Flush();
            Init();
            FPending = Refill();
        }
    }
    const size_t Count = std::min(FPending.size(), size_t(std::max(BufferSize, 0)));
    if (Count > 0) std::memcpy(Buffer, FPending.data(), Count);
    FPending = FPending.subspan(Count);
    FPosition += int64_t(Count);
    return int32_t(Count);
}

void TACSFileIn::Flush() {
    CloseFile();
    FPending = {};
    FBusy = false;
}

void TACSFileIn::Reset() {
    TACSInput::Reset();
    // Openings still counted end here: the source is closed, not merely forgotten.
    if (FOpenCount > 0) CloseSource();
    FOpenCount = 0;
}

// ---- TACSConverter ----

namespace {

// Points Slot, the input of Reader, at Value. While Reader is busy the new input is started
// first and the swap happens under Lock, so no GetData sees a half-made change; the old input
// is then flushed.
void SwapInput(TComponent& Reader, std::atomic<TACSInput*>& Slot, TSpinFlag& Lock, bool Busy,
               TACSInput* Value) {
    TACSInput* Old = Slot;
    if (Old == Value) return;
    if (Busy) {
        if (Value) Value->Init();
        Lock.Lock();
        Slot = Value;
        Lock.Unlock();
        if (Old) Old->Flush();
    } else {
        Slot = Value;
    }
    if (Old) Old->RemoveFreeNotification(&Reader);
    if (Value) Value->FreeNotification(&Reader);
}

} // namespace

TACSConverter::~TACSConverter() {
    if (TACSInput* Current = FInput) Current->RemoveFreeNotification(this);
}

void TACSConverter::SetInput(TACSInput* Value) {
    if (Value == this) return;
    SwapInput(*this, FInput, InputLock, FBusy, Value);
}

void TACSConverter::UnlockInputs() {
    InputLock.Unlock();
    if (auto* Next = dynamic_cast<TACSConverter*>(FInput.load())) Next->UnlockInputs();
}

void TACSConverter::Notification(TComponent* AComponent) {
    if (AComponent == FInput) FInput = nullptr;
}

// ---- TACSThread ----

TACSThread::TACSThread(std::function<bool(bool)> DoOutput, std::function<void()> WhenDone,
                       std::function<void(const std::exception&)> HandleException)
    : FDoOutput(std::move(DoOutput)), FWhenDone(std::move(WhenDone)),
      FHandleException(std::move(HandleException)) {}

TACSThread::~TACSThread() {
    if (!FThread.joinable()) return;
    {
        std::lock_guard Lock(FMutex);
        FTerminating = true;
    }
    FWake.notify_one();
    FThread.join();
}

bool TACSThread::Suspended() const {
    std::lock_guard Lock(FMutex);
    return FSuspended;
}

void TACSThread::Resume() {
    std::lock_guard Lock(FMutex);
    if (!FThread.joinable()) {
        FSuspended = false;
        FThread = std::thread([this] { Execute(); });
        return;
    }
    FResumeToken = true;
    FWake.notify_one();
}

bool TACSThread::Suspend() {
    std::unique_lock Lock(FMutex);
    FSuspended = true;
    FWake.wait(Lock, [this] { return FResumeToken || FTerminating; });
    FResumeToken = false;
    if (FTerminating) return false;
    FSuspended = false;
    return true;
}

void TACSThread::Execute() {
    while (!FTerminating) {
        bool More = true;
        try {
            More = FDoOutput(Abort);
        } catch (const std::exception& E) {
            Abort = false;
            FHandleException(E);
            if (SuspendWhenIdle && !Suspend()) return;
            continue;
        }
        if (!More) {
            Abort = false;
            try {
                FWhenDone();
            } catch (const std::exception& E) {
                FHandleException(E);
            }
            if (SuspendWhenIdle && !Suspend()) return;
        }
    }
    // Terminated while running: one last step with Abort set.
    try {
        FDoOutput(true);
    } catch (const std::exception&) {
    }
}

// ---- TACSOutput ----

TACSOutput::TACSOutput(TComponent* AOwner) : TComponent(AOwner) {
    FThread =
        std::make_unique<TACSThread>([this](bool Abort) { return DoOutput(Abort); }, [this] { WhenDone(); },
                                     [this](const std::exception& E) { HandleException(E); });
}

TACSOutput::~TACSOutput() {
    FThread.reset();
    if (TACSInput* Current = FInput) Current->RemoveFreeNotification(this);
}

void TACSOutput::TerminateWorker() {
    if (!FThread) return;
    FThread.reset();
    if (FBusy) {
        CanOutput = false;
        try {
            Done();
        } catch (const std::exception&) {
        }
        FBusy = false;
    }
}

void TACSOutput::Run() {
    if (FBusy) throw EACSException("Component is buisy");
    if (!FInput) throw EACSException("Input is not assigned");
    InputLock.Unlock();
    FNote.clear();
    try {
        Prepare();
    } catch (const std::exception& E) {
        AbandonOutput();
        HandleException(E);
        return;
    }
    FBusy = true;
    FThread->Abort = false;
    CanOutput = true;
    FThread->Resume();
}

void TACSOutput::Stop() {
    if (FThread) FThread->Abort = true;
}

TOutputState TACSOutput::Status() const {
    if (!FBusy) return osIdle;
    return FThread && FThread->Suspended() ? osSuspended : osBusy;
}

int32_t TACSOutput::Progress() const {
    TACSInput* Current = FInput;
    if (!Current) return 0;
    int64_t Size = Current->Size();
    if (Size == -1) return -1;
    if (Size == 0) return 0;
    // The default rounding mode rounds ties to even.
    return static_cast<int32_t>(std::nearbyint(double(Current->Position()) / double(Size) * 100.0));
}

void TACSOutput::SetInput(TACSInput* Value) {
    SwapInput(*this, FInput, InputLock, FBusy, Value);
}

bool TACSOutput::SuspendWhenIdle() const {
    return FThread->SuspendWhenIdle;
}
void TACSOutput::SetSuspendWhenIdle(bool Value) {
    FThread->SuspendWhenIdle = Value;
}

std::optional<bool> TACSOutput::BeginStep(bool Abort) {
    if (!CanOutput) return true;
    int32_t Percent = Progress();
    if (Percent != LastProgress) {
        LastProgress = Percent;
        if (OnProgress) OnProgress(this);
    }
    if (Abort) return false;
    return std::nullopt;
}

int32_t TACSOutput::ReadInput(void* Buffer, int32_t BufferSize) {
    InputLock.Lock();
    struct TRelease {
        TSpinFlag& Flag;
        ~TRelease() { Flag.Unlock(); }
    } Release{InputLock};
    return FInput.load()->GetData(Buffer, BufferSize);
}

void TACSOutput::Notification(TComponent* AComponent) {
    if (AComponent == FInput) FInput = nullptr;
}

namespace {

// Runs every step, whatever the ones before raised; returns the first error.
std::exception_ptr RunEvery(std::initializer_list<std::function<void()>> Steps) {
    std::exception_ptr First;
    for (const auto& Step : Steps) {
        try {
            Step();
        } catch (...) {
            if (!First) First = std::current_exception();
        }
    }
    return First;
}

} // namespace

void TACSOutput::StartInput() {
    FInput.load()->Init();
    FInputStarted = true;
}

void TACSOutput::FlushInput() {
    if (!FInputStarted) return;
    FInputStarted = false;
    if (TACSInput* Source = FInput) Source->Flush();
}

void TACSOutput::Done() {
    if (auto Failure =
            RunEvery({[this] { FinishOutput(); }, [this] { CloseOutput(); }, [this] { FlushInput(); }}))
        std::rethrow_exception(Failure);
}

void TACSOutput::AbandonOutput() {
    RunEvery({[this] { CloseOutput(); }, [this] { DiscardOutput(); }, [this] { FlushInput(); }});
}

void TACSOutput::WhenDone() {
    if (!FBusy) return;
    CanOutput = false;
    try {
        Done();
    } catch (const std::exception&) {
        // A file that could not be finished is a failed conversion, reported as an error.
        FBusy = false;
        throw;
    }
    FBusy = false;
    if (OnDone) OnDone(this);
}

void TACSOutput::HandleException(const std::exception& E) {
    InputLock.Unlock();
    if (Status() != osIdle) {
        try {
            if (auto* Converter = dynamic_cast<TACSConverter*>(FInput.load())) Converter->UnlockInputs();
            Done();
        } catch (const std::exception&) {
        }
    }
    CanOutput = false;
    FBusy = false;
    if (OnThreadException) OnThreadException(this, E);
}

// ---- TACSFileOut ----

void TACSFileOut::SetFileMode(TFileOutputMode /*Value*/) {
    FFileMode = foRewrite;
}

void TACSFileOut::CheckOutputName() {
    // A new conversion: whatever an earlier one created is its own.
    FCreated = false;
    if (FFileName.empty()) throw EACSException("File name is not assigned.");
    if (auto* Source = dynamic_cast<TACSFileIn*>(Input()); Source && SameFile(Source->FileName(), FFileName))
        throw EACSException("The output file is the input file: " + FFileName);
}

void TACSFileOut::OpenOutputStream(bool Append) {
    CheckOutputName();
    std::error_code Error;
    const bool Existing = Append && std::filesystem::exists(std::filesystem::u8path(FFileName), Error);
    FStream =
        std::make_unique<TFileStream>(FFileName, Existing ? TFileOpenMode::ReadWrite : TFileOpenMode::Create);
    FCreated = !Existing;
}

void TACSFileOut::CloseOutput() {
    FStream.reset();
}

void TACSFileOut::DiscardOutput() {
    if (!FCreated) return;
    FCreated = false;
    std::error_code Ignored;
    std::filesystem::remove(std::filesystem::u8path(FFileName), Ignored);
}

} // namespace deraz
