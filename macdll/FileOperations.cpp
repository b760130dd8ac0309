// The exported whole-file operations and format helpers.
#include "macdll/MACDll.h"

#include "macdll/Decoder.h"
#include "macdll/Encoder.h"
#include "macdll/Guarded.h"
#include "macdll/WaveFormat.h"
#include "platform/System.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

using namespace deraz::ape;

namespace {

constexpr size_t ChunkBytes = 1 << 20;

// Progress reporting and the caller's stop flag.
class TProgress {
public:
    TProgress(int* Percent, APE_PROGRESS_CALLBACK Callback, int* Kill)
        : FPercent(Percent), FCallback(Callback), FKill(Kill) {}
    // False when the caller asked to stop.
    bool Update(int64_t Done, int64_t Total) {
        const int Percent = Total > 0 ? int(Done * 100 / Total) : 100;
        if (Percent != FLast) {
            FLast = Percent;
            if (FPercent) *FPercent = Percent;
            if (FCallback) FCallback(Percent);
        }
        return !(FKill && *FKill);
    }

private:
    int* FPercent;
    APE_PROGRESS_CALLBACK FCallback;
    int* FKill;
    int FLast = -1;
};

// Feeds the decoder's PCM to Sink in chunks, reporting progress.
int DecodeAll(TDecoder& Decoder, TProgress& Progress,
              const std::function<int(const uint8_t*, size_t)>& Sink) {
    const TApeFileInfo& Info = Decoder.Info();
    const size_t Align = size_t(Info.BlockAlign());
    std::vector<uint8_t> Buffer(ChunkBytes / Align * Align);
    for (;;) {
        if (!Progress.Update(Decoder.CurrentBlock(), Info.TotalBlocks()))
            return ERROR_USER_STOPPED_PROCESSING;
        int64_t Blocks = 0;
        if (int Error = Decoder.GetData(Buffer.data(), int64_t(Buffer.size() / Align), Blocks)) return Error;
        if (Blocks == 0) return ERROR_SUCCESS;
        if (int Error = Sink(Buffer.data(), size_t(Blocks) * Align)) return Error;
    }
}

// Encodes what Produce delivers into Output; the partial output is removed on failure.
int EncodeFile(const char* Output, const TPcmFormat& Format, int64_t AudioBytes, int Level,
               const std::vector<uint8_t>& Header, const std::vector<uint8_t>& Terminating,
               const std::function<int(TEncoder&)>& Produce) {
    std::unique_ptr<TEncoder> Encoder;
    if (int Error = TEncoder::Start(Output, Format, AudioBytes, Level,
                                    Header.empty() ? nullptr : Header.data(), Header.size(), Encoder))
        return Error;
    int Error = Produce(*Encoder);
    if (!Error) Error = Encoder->Finish(Terminating.data(), Terminating.size(), Terminating.size());
    if (Error) Encoder->Kill();
    return Error;
}

int Compress(const char* Input, const char* Output, int Level, TProgress& Progress) {
    std::unique_ptr<TFile> In = TFile::Open(Input, TFile::fmRead);
    if (!In) return ERROR_INVALID_INPUT_FILE;
    TWavLayout Layout;
    if (int Error = ReadWavLayout(*In, Layout)) return Error;
    const int64_t TerminatingStart = Layout.DataStart + Layout.DataBytes;
    const int64_t TerminatingBytes = In->Size() - TerminatingStart;
    if (TerminatingBytes > int64_t(MaxWrapperBytes)) return ERROR_INVALID_INPUT_FILE;
    std::vector<uint8_t> Header(static_cast<size_t>(Layout.DataStart));
    std::vector<uint8_t> Terminating(static_cast<size_t>(TerminatingBytes));
    if (!In->ReadExactAt(0, Header.data(), Header.size()) ||
        !In->ReadExactAt(TerminatingStart, Terminating.data(), Terminating.size()))
        return ERROR_IO_READ;
    const TPcmFormat Format{Layout.SampleRate, Layout.BitsPerSample, Layout.Channels};
    return EncodeFile(Output, Format, Layout.DataBytes, Level, Header, Terminating, [&](TEncoder& Encoder) {
        std::vector<uint8_t> Chunk(ChunkBytes);
        for (int64_t Done = 0; Done < Layout.DataBytes;) {
            if (!Progress.Update(Done, Layout.DataBytes)) return int(ERROR_USER_STOPPED_PROCESSING);
            const size_t Bytes = size_t(std::min<int64_t>(int64_t(Chunk.size()), Layout.DataBytes - Done));
            if (!In->ReadExactAt(Layout.DataStart + Done, Chunk.data(), Bytes)) return int(ERROR_IO_READ);
            if (int Error = Encoder.AddData(Chunk.data(), Bytes)) return Error;
            Done += int64_t(Bytes);
        }
        Progress.Update(Layout.DataBytes, Layout.DataBytes);
        return int(ERROR_SUCCESS);
    });
}

int Decompress(const char* Input, const char* Output, TProgress& Progress) {
    std::unique_ptr<TDecoder> Decoder;
    if (int Error = TDecoder::Open(Input, Decoder)) return Error;
    const TApeFileInfo& Info = Decoder->Info();
    if (!Output)
        return DecodeAll(*Decoder, Progress, [](const uint8_t*, size_t) { return int(ERROR_SUCCESS); });
    std::unique_ptr<TFile> Out = TFile::Open(Output, TFile::fmCreate);
    if (!Out) return ERROR_INVALID_OUTPUT_FILE;
    int64_t Pos = 0;
    auto Write = [&](const uint8_t* Data, size_t Bytes) {
        if (!Out->WriteAt(Pos, Data, Bytes)) return int(ERROR_IO_WRITE);
        Pos += int64_t(Bytes);
        return int(ERROR_SUCCESS);
    };
    const std::vector<uint8_t> Header = Info.HeaderData.empty() ? CanonicalWavHeader(Info) : Info.HeaderData;
    int Error = Write(Header.data(), Header.size());
    if (!Error) Error = DecodeAll(*Decoder, Progress, Write);
    if (!Error) Error = Write(Info.Terminating.data(), Info.Terminating.size());
    if (!Error && !Out->Flush()) Error = ERROR_IO_WRITE;
    Out.reset();
    if (Error) std::remove(Output);
    return Error;
}

int Convert(const char* Input, const char* Output, int Level, TProgress& Progress) {
    std::unique_ptr<TDecoder> Decoder;
    if (int Error = TDecoder::Open(Input, Decoder)) return Error;
    const TApeFileInfo& Info = Decoder->Info();
    const TPcmFormat Format{Info.SampleRate, Info.BitsPerSample, Info.Channels};
    return EncodeFile(Output, Format, Info.TotalBlocks() * Info.BlockAlign(), Level, Info.HeaderData,
                      Info.Terminating, [&](TEncoder& Encoder) {
                          return DecodeAll(*Decoder, Progress, [&](const uint8_t* Data, size_t Bytes) {
                              return Encoder.AddData(Data, Bytes);
                          });
                      });
}

} // namespace

extern "C" {

void ProgressCallback(int /*PercentageDone*/) {}

int CompressFile(const char* pInputFilename, const char* pOutputFilename, int nCompressionLevel,
                 int* pPercentageDone, APE_PROGRESS_CALLBACK ProgressCallback, int* pKillFlag) {
    if (!pInputFilename || !pOutputFilename) return ERROR_INVALID_FUNCTION_PARAMETER;
    if (deraz::SameFile(pInputFilename, pOutputFilename)) return ERROR_INVALID_OUTPUT_FILE;
    TProgress Progress(pPercentageDone, ProgressCallback, pKillFlag);
    return Guarded([&] { return Compress(pInputFilename, pOutputFilename, nCompressionLevel, Progress); });
}

int DecompressFile(const char* pInputFilename, const char* pOutputFilename, int* pPercentageDone,
                   APE_PROGRESS_CALLBACK ProgressCallback, int* pKillFlag) {
    if (!pInputFilename || !pOutputFilename) return ERROR_INVALID_FUNCTION_PARAMETER;
    if (deraz::SameFile(pInputFilename, pOutputFilename)) return ERROR_INVALID_OUTPUT_FILE;
    TProgress Progress(pPercentageDone, ProgressCallback, pKillFlag);
    return Guarded([&] { return Decompress(pInputFilename, pOutputFilename, Progress); });
}

int ConvertFile(const char* pInputFilename, const char* pOutputFilename, int nCompressionLevel,
                int* pPercentageDone, APE_PROGRESS_CALLBACK ProgressCallback, int* pKillFlag) {
    if (!pInputFilename || !pOutputFilename) return ERROR_INVALID_FUNCTION_PARAMETER;
    if (deraz::SameFile(pInputFilename, pOutputFilename)) return ERROR_INVALID_OUTPUT_FILE;
    TProgress Progress(pPercentageDone, ProgressCallback, pKillFlag);
    return Guarded([&] { return Convert(pInputFilename, pOutputFilename, nCompressionLevel, Progress); });
}

int VerifyFile(const char* pInputFilename, int* pPercentageDone, APE_PROGRESS_CALLBACK ProgressCallback,
               int* pKillFlag) {
    if (!pInputFilename) return ERROR_INVALID_FUNCTION_PARAMETER;
    TProgress Progress(pPercentageDone, ProgressCallback, pKillFlag);
    return Guarded([&] { return Decompress(pInputFilename, nullptr, Progress); });
}

int FillWaveFormatEx(WAVEFORMATEX* pWaveFormatEx, int nSampleRate, int nBitsPerSample, int nChannels) {
    if (!pWaveFormatEx) return ERROR_INVALID_FUNCTION_PARAMETER;
    pWaveFormatEx->wFormatTag = WaveFormatPcm;
    pWaveFormatEx->nChannels = uint16_t(nChannels);
    pWaveFormatEx->nSamplesPerSec = uint32_t(nSampleRate);
    pWaveFormatEx->nBlockAlign = uint16_t(nChannels * (nBitsPerSample / 8));
    pWaveFormatEx->nAvgBytesPerSec = uint32_t(nSampleRate) * pWaveFormatEx->nBlockAlign;
    pWaveFormatEx->wBitsPerSample = uint16_t(nBitsPerSample);
    pWaveFormatEx->cbSize = 0;
    return ERROR_SUCCESS;
}

int FillWaveHeader(WAVE_HEADER* pWAVHeader, int nAudioBytes, const WAVEFORMATEX* pWaveFormatEx,
                   int nTerminatingBytes) {
    if (!pWAVHeader || !pWaveFormatEx) return ERROR_INVALID_FUNCTION_PARAMETER;
    std::memcpy(pWAVHeader->cRIFFHeader, "RIFF", 4);
    pWAVHeader->nRIFFBytes = uint32_t(nAudioBytes) + 36 + uint32_t(nTerminatingBytes);
    std::memcpy(pWAVHeader->cDataTypeID, "WAVE", 4);
    std::memcpy(pWAVHeader->cFormatHeader, "fmt ", 4);
    pWAVHeader->nFormatBytes = 16;
    pWAVHeader->nFormatTag = pWaveFormatEx->wFormatTag;
    pWAVHeader->nChannels = pWaveFormatEx->nChannels;
    pWAVHeader->nSamplesPerSec = pWaveFormatEx->nSamplesPerSec;
    pWAVHeader->nAvgBytesPerSec = pWaveFormatEx->nAvgBytesPerSec;
    pWAVHeader->nBlockAlign = pWaveFormatEx->nBlockAlign;
    pWAVHeader->nBitsPerSample = pWaveFormatEx->wBitsPerSample;
    std::memcpy(pWAVHeader->cDataHeader, "data", 4);
    pWAVHeader->nDataBytes = uint32_t(nAudioBytes);
    return ERROR_SUCCESS;
}

int GetID3Tag(const char* pFilename, ID3_TAG* pID3Tag) {
    if (!pFilename || !pID3Tag) return ERROR_INVALID_FUNCTION_PARAMETER;
    std::unique_ptr<TFile> File = TFile::Open(pFilename, TFile::fmRead);
    if (!File) return ERROR_INVALID_INPUT_FILE;
    const int64_t Size = File->Size();
    ID3_TAG Tag;
    if (Size < int64_t(sizeof Tag) || !File->ReadExactAt(Size - int64_t(sizeof Tag), &Tag, sizeof Tag) ||
        std::memcmp(Tag.Header, "TAG", 3) != 0)
        return ERROR_UNDEFINED;
    *pID3Tag = Tag;
    return ERROR_SUCCESS;
}

int RemoveTag(const char* /*pFilename*/) {
    return ERROR_UNDEFINED;
}

int TagFileSimple(const char* /*pFilename*/, const char* /*pArtist*/, const char* /*pAlbum*/,
                  const char* /*pTitle*/, const char* /*pComment*/, const char* /*pGenre*/,
                  const char* /*pYear*/, const char* /*pTrack*/, int /*bClearFirst*/, int /*bUseOldID3*/) {
    return ERROR_UNDEFINED;
}

int ShowFileInfoDialog(const char* /*pFilename*/, void* /*hWnd*/) {
    return ERROR_UNDEFINED;
}

int GetVersionNumber(void) {
    return CurrentVersion;
}

int GetInterfaceCompatibility(int nVersion, int /*bDisplayWarningsOnFailure*/, void* /*hParent*/) {
    return nVersion <= CurrentVersion ? ERROR_SUCCESS : ERROR_UNDEFINED;
}

} // extern "C"
