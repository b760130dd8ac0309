#include "codecs/ape/ACS_MAC.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "codecs/PlayingTime.h"
#include "codecs/ape/MACLibrary.h"

namespace deraz {

namespace {

struct TErrorText {
    int32_t Code;
    const char* Text;
};

constexpr TErrorText ErrorTexts[] = {
    {0, "OK"},
    {1000, "I/O read error"},
    {1001, "I/O write error"},
    {1002, "invalid input file"},
    {1003, "invalid output file"},
    {1004, "input file file too large"},
    {1005, "input file unsupported bit depth"},
    {1006, "input file unsupported sample rate"},
    {1007, "input file unsupported channel count"},
    {1008, "input file too small"},
    {1009, "invalid checksum"},
    {1010, "decompressing frame"},
    {1011, "initializing unmac"},
    {1012, "invalid function parameter"},
    {1013, "unsupported file type"},
    {2000, "insufficient memory"},
    {3000, "loading MAC.dll"},
    {3001, "loading MACinfo.dll"},
    {3002, "loading UnMAC.dll"},
    {4000, "user stopped processing"},
    {4001, "skipped..."},
    {5000, "bad parameter"},
    {6000, "APE compress too much data"},
};

const TMACApi& Api() {
    return MACLibrary().Functions();
}

// The system's reason for a failed write, which the library leaves in errno; empty for other errors.
std::string WriteFailureReason(int32_t Result, int SavedErrno) {
    return Result == ERROR_IO_WRITE && SavedErrno != 0 ? std::strerror(SavedErrno) : "";
}

// Only what the file format holds (and other decoders read) is written.
void CheckApeFormat(int32_t Bits, int32_t Channels) {
    if (Channels > 2)
        throw EACSException("Monkey's Audio holds at most 2 channels; the input has " +
                            std::to_string(Channels) + ".");
    if (Bits != 8 && Bits != 16 && Bits != 24)
        throw EACSException("Monkey's Audio holds 8-, 16- or 24-bit samples; the input has " +
                            std::to_string(Bits) + "-bit samples.");
}

} // namespace

std::string MACErrorText(int32_t Code) {
    for (const auto& Entry : ErrorTexts)
        if (Entry.Code == Code) return Entry.Text;
    return "undefined (" + std::to_string(Code) + ")";
}

EAPEException::EAPEException(int32_t ErrorCode, const std::string& Reason)
    : std::runtime_error("MACDll error: " + MACErrorText(ErrorCode) + (Reason.empty() ? "" : ": " + Reason)),
      FErrorCode(ErrorCode) {}

// ---- TAPECompress ----

TAPECompress::TAPECompress() {
    int ErrorCode = 0;
    FHandle = Api().c_APECompress_Create(&ErrorCode);
    FErrorCode = ErrorCode;
    if (FErrorCode != 0) {
        if (FHandle) Api().c_APECompress_Destroy(FHandle);
        throw EAPEException(FErrorCode);
    }
    if (!FHandle) throw EAPEException(ERROR_INSUFFICIENT_MEMORY);
}

TAPECompress::~TAPECompress() {
    Api().c_APECompress_Destroy(FHandle);
}

int32_t TAPECompress::Start(const std::string& FileName, const WAVEFORMATEX& Format, int32_t MaxAudioBytes,
                            int32_t CompressionLevel) {
    return Api().c_APECompress_Start(FHandle, FileName.c_str(), &Format, MaxAudioBytes, CompressionLevel,
                                     nullptr, -1);
}

uint8_t* TAPECompress::LockBuffer(int32_t& BytesAvailable) {
    int Available = 0;
    uint8_t* Buffer = Api().c_APECompress_LockBuffer(FHandle, &Available);
    BytesAvailable = Available;
    return Buffer;
}

int32_t TAPECompress::UnlockBuffer(int32_t BytesAdded) {
    return Api().c_APECompress_UnlockBuffer(FHandle, BytesAdded, 1);
}

int32_t TAPECompress::Finish() {
    return Api().c_APECompress_Finish(FHandle, nullptr, 0, 0);
}

void TAPECompress::Kill() {
    Api().c_APECompress_Kill(FHandle);
}

// ---- TAPEDecompress ----

TAPEDecompress::TAPEDecompress(std::string FileName) : FFileName(std::move(FileName)) {
    int ErrorCode = 0;
    FHandle = Api().c_APEDecompress_Create(FFileName.c_str(), &ErrorCode);
    FErrorCode = ErrorCode;
    if (FErrorCode != 0) {
        if (FHandle) Api().c_APEDecompress_Destroy(FHandle);
        throw EAPEException(FErrorCode);
    }
}

TAPEDecompress::~TAPEDecompress() {
    if (FHandle) Api().c_APEDecompress_Destroy(FHandle);
}

int32_t TAPEDecompress::GetData(void* Buffer, int32_t Blocks, int32_t& BlocksRetrieved) {
    int Retrieved = 0;
    int32_t Result = Api().c_APEDecompress_GetData(FHandle, static_cast<char*>(Buffer), Blocks, &Retrieved);
    BlocksRetrieved = Retrieved;
    return Result;
}

int32_t TAPEDecompress::Seek(int32_t Block) {
    return Api().c_APEDecompress_Seek(FHandle, Block);
}

int64_t TAPEDecompress::Info(int Field) {
    return Api().c_APEDecompress_GetInfo(FHandle, Field, 0, 0);
}

// ---- TMACOut ----

TMACOut::TMACOut(TComponent* AOwner) : TACSFileOut(AOwner) {
    RequireLibrary(MACLibrary());
    FBuffer.resize(65536);
}

TMACOut::~TMACOut() {
    TerminateWorker();
}

void TMACOut::SetCompressionLevel(int32_t Value) {
    // 6000 ("braindead") is no level of the file format: it writes the highest one, 5000.
    if (Value == 6000) Value = 5000;
    FCompressionLevel = (Value >= 1000 && Value <= 5000 && Value % 1000 == 0) ? Value : 2000;
}

void TMACOut::Prepare() {
    CheckOutputName();
    StartInput();
    EndOfStream = false;
    FAudioBytes = 0;
    FWriteFailed = false;
    TACSInput* Source = Input();
    CheckApeFormat(Source->BitsPerSample(), Source->Channels());
    FCompress = std::make_unique<TAPECompress>();
    Api().FillWaveFormatEx(&FFormat, Source->SampleRate(), Source->BitsPerSample(), Source->Channels());
    int32_t Result = FCompress->Start(FFileName, FFormat, FMaxAudioBytes, FCompressionLevel);
    if (Result != 0) throw EACSException("Error starting APECompress.\r\n" + MACErrorText(Result));
}

bool TMACOut::DoOutput(bool Abort) {
    if (auto Result = BeginStep(Abort)) return *Result;
    if (EndOfStream) return false;
    int32_t Length = ReadInput(FBuffer.data(), int32_t(FBuffer.size()));
    if (Length <= 0) {
        EndOfStream = true;
        return true;
    }
    for (int32_t Offset = 0; Offset < Length;) {
        int32_t Available = 0;
        uint8_t* Target = FCompress->LockBuffer(Available);
        // A buffer with no room would never take the rest of the data.
        if (!Target || Available <= 0)
            throw EACSException("APECompress.LockBuffer Error: " + std::to_string(Available));
        int32_t Count = std::min(Available, Length - Offset);
        std::memcpy(Target, FBuffer.data() + Offset, size_t(Count));
        errno = 0;
        int32_t Result = FCompress->UnlockBuffer(Count);
        if (Result != 0) {
            FWriteFailed = true;
            const std::string Reason = WriteFailureReason(Result, errno);
            throw EACSException("APECompress.UnlockBuffer Error: " + std::to_string(Result) +
                                (Reason.empty() ? "" : ": " + Reason));
        }
        Offset += Count;
    }
    FAudioBytes += Length;
    return true;
}

void TMACOut::FinishOutput() {
    if (!FCompress) return;
    // A file without frames is one that other decoders refuse: none is left behind.
    if (FAudioBytes == 0 && !FWriteFailed) {
        FCompress->Kill();
        throw EACSException("The input has no audio, and a Monkey's Audio file cannot be empty.");
    }
    errno = 0;
    const int32_t Result = FCompress->Finish();
    // A file whose header or seek table could not be written is not a finished file.
    if (Result != 0) throw EAPEException(Result, WriteFailureReason(Result, errno));
}

void TMACOut::CloseOutput() {
    FCompress.reset();
}

// ---- TMACIn ----

TMACIn::TMACIn(TComponent* AOwner) : TACSFileIn(AOwner) {
    RequireLibrary(MACLibrary());
}

TMACIn::~TMACIn() = default;

void TMACIn::OpenSource() {
    EndOfStream = false;
    FOpenError = ERROR_INVALID_INPUT_FILE;
    // A file that cannot be opened raises, as for every source; the library then reports one
    // that is not Monkey's Audio like any other file it cannot decode.
    FStream = std::make_unique<TFileStream>(FFileName, TFileOpenMode::ReadOnly);
    std::unique_ptr<TAPEDecompress> Decompress;
    try {
        Decompress = std::make_unique<TAPEDecompress>(FFileName);
    } catch (const EAPEException& E) {
        if (E.ErrorCode() == ERROR_IO_READ || E.ErrorCode() == ERROR_INSUFFICIENT_MEMORY) throw;
        FOpenError = E.ErrorCode();
        Refuse(E.what());
        return;
    }
    int64_t Blocks = 0, SampleRate = 0, Bits = 0, Channels = 0;
    if (Decompress->Handle()) {
        Blocks = Decompress->Info(APE_INFO_TOTAL_BLOCKS);
        SampleRate = Decompress->Info(APE_INFO_SAMPLE_RATE);
        Bits = Decompress->Info(APE_INFO_BITS_PER_SAMPLE);
        Channels = Decompress->Info(APE_INFO_CHANNELS);
    }
    // No handle, or a format that the decode buffer cannot carry: nothing to decode.
    if (Blocks < 0 || SampleRate <= 0 || SampleRate > INT32_MAX || Bits < 8 || Bits > 32 || Bits % 8 != 0 ||
        Channels < 1 || Channels > 32) {
        Refuse("The Monkey's Audio header declares no format that can be decoded.");
        return;
    }
    FDecompress = std::move(Decompress);
    FValid = true;
    FSampleRate = int32_t(SampleRate);
    FBitsPerSample = int32_t(Bits);
    FChannels = int32_t(Channels);
    FTotalSamples = Blocks;
    // The PCM bytes GetData delivers, without the stored WAV header and trailer, so that a
    // sink that writes Size into its own header writes the truth.
    FSize = FTotalSamples * (FBitsPerSample / 8) * FChannels;
}

void TMACIn::Refuse(std::string Reason) {
    FDecodeError = std::move(Reason);
    FSize = FSampleRate = FBitsPerSample = FChannels = FTotalSamples = 0;
}

void TMACIn::CloseSource() {
    FDecompress.reset();
    FStream.reset();
}

int32_t TMACIn::TotalTime() {
    OpenFile();
    int32_t Result = FDecompress ? int32_t(FDecompress->Info(APE_DECOMPRESS_LENGTH_MS) / 1000) : 0;
    CloseFile();
    return Result;
}

bool TMACIn::Seek(int64_t SampleNum) {
    // The library counts blocks in an int.
    if (SampleNum < 0 || SampleNum > INT32_MAX) return false;
    OpenFile();
    bool Ok = FDecompress && FDecompress->Seek(SampleNum) == 0;
    CloseFile();
    return Ok;
}

void TMACIn::Init() {
    TACSFileIn::Init();
    // A file that opened without a usable decompressor has nothing to read: refuse it here,
    // so that the sink fails before it writes anything.
    if (!FDecompress) {
        FBusy = false;
        CloseFile();
        throw EAPEException(FOpenError);
    }
    EndOfStream = false;
}

std::span<const uint8_t> TMACIn::Refill() {
    int32_t Filled = 0;
    const int32_t BlockAlign = (FBitsPerSample / 8) * FChannels;
    std::optional<int64_t> Limit;
    if (FEndSample != -1) Limit = (int64_t(FEndSample) - FStartSample) * BlockAlign;
    // Stop when not one more block fits: asking the library for none would read as the end.
    while (!EndOfStream && BufferSize - Filled >= BlockAlign) {
        const int32_t Wanted = (BufferSize - Filled) / BlockAlign;
        int32_t Retrieved = 0;
        int32_t Result = FDecompress->GetData(FBuffer.data() + Filled, Wanted, Retrieved);
        // A damaged or cut file is an error, not an early end of the audio; it names where.
        if (Result != 0 || Retrieved < 0 || Retrieved > Wanted) {
            const int64_t Frames = FStartSample + (FPosition + Filled) / BlockAlign;
            const EAPEException Error(Result != 0 ? Result : ERROR_DECOMPRESSING_FRAME);
            throw EACSException(std::string(Error.what()) + " at " + PlayingTime(Frames, FSampleRate) + ".");
        }
        if (Retrieved == 0) {
            EndOfStream = true;
            break;
        }
        Filled += Retrieved * BlockAlign;
        if (Limit) {
            int64_t Left = *Limit - FPosition;
            if (Left <= Filled) {
                Filled = int32_t(std::max<int64_t>(Left, 0));
                EndOfStream = true;
            }
        }
    }
    return {FBuffer.data(), size_t(Filled)};
}

} // namespace deraz
