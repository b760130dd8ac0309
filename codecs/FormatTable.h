// The one table of formats: for each format the extensions it is read from, its entries in the
// output format dialog with their level lists, the components that read and write it, its tag
// form, its analyser and its filter in the open dialog. Everything that depends on a format reads
// this table, so a new format is one row plus its components. No codec component header is
// included here: the analysis subsystem reads the table too.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace deraz {

class TACSFileIn;
class TACSFileOut;

// Codes of the sinks, as the driver's ActiveSink holds them.
enum TSinkCode : int32_t {
    scNone = -1, // a format that is only read
    scWaveOut = 0,
    scVorbisOut = 1,
    scMACOut = 2,
    scFLACOut = 3,
    scMP3Out = 4,
    scOpusOut = 5,
    scM4aOut = 6,
    scWavPackOut = 7,
    scAiffOut = 8
};

// The reader of the analysis subsystem that shows a format's technical data; mkProbed: what
// FFmpeg's demuxers report.
enum TMediaKind { mkOggVorbis, mkMPEG, mkFLAC, mkMonkey, mkWAV, mkOpus, mkProbed, mkWavPack, mkAIFF };

// Where a format keeps its tags, as the tag reader and the tag copier open the file.
enum TTagForm {
    tfID3v2,
    tfOggComments,
    tfFLACComments,
    tfAPEv2,
    tfRIFFInfo,
    tfOpusComments,
    tfMP4Atoms,
    tfWavPackAPEv2, // APEv2 at the end of a WavPack file
    tfAIFFID3,      // an ID3v2 tag in the "ID3 " chunk of an AIFF file
    tfProbed        // whatever TagLib finds, else what FFmpeg's demuxers read; never written
};

// The extension Ogg Vorbis files are written with; the Vorbis sink derives its stream serial
// from the output's name up to it.
inline constexpr const char* OggExtension = ".ogg";

// An extension a format is read from, with its dot, and the media bin's bit rate text for a file
// of that extension whose reader finds it not valid.
struct TInputExtension {
    const char* Extension;
    const char* InvalidBitrate = "iNVALiD";
};

// An entry of the output format dialog.
struct TOutputFormat {
    int32_t DestExt;                          // its index, as "DestExt" stores it
    const char* Extension;                    // given to output names, with its dot
    const char* Entry;                        // the format list's text
    std::span<const char* const> Levels;      // listed when the format is chosen
    int32_t DefaultLevel;                     // entry selected when the format is chosen
    std::span<const char* const> ShownLevels; // listed when the dialog opens on the stored format
    std::span<const int32_t> LevelKbps;       // the rate in kbit/s of each level; empty when the
                                              // levels are no bit rates
    const char* Name = nullptr;               // the name -f and --levels know it by, when its
                                              // extension names another entry first ("alac")
};

// One format.
struct TFormat {
    std::span<const TInputExtension> Inputs; // in the order the open dialog's filters list them
    std::span<const TOutputFormat> Outputs;  // empty for a format that is only read
    const char* FilterName;                  // the open dialog's filter: "<FilterName> (*.ext ...)"
    int32_t FilterPosition; // that filter's place in the list, 1 right after "All Supported Files"
    TMediaKind Analyser;
    TTagForm TagForm;
    TSinkCode SinkCode;
    // A new source; raises EACSException when its codec library is missing.
    std::unique_ptr<TACSFileIn> (*MakeSource)();
    // A new sink with the settings it keeps for every file; raises like MakeSource. Null when
    // the format has no outputs.
    std::unique_ptr<TACSFileOut> (*MakeSink)();
    // Sets level Level of the format's list on a sink MakeSink made; null when the levels set
    // nothing.
    void (*SetLevel)(TACSFileOut& Sink, int32_t Level);
    // Whether the sink takes the stored level whatever format is chosen (an MP3 level is the rank
    // of its bit rate, whichever list it was picked from).
    bool LevelFromAnyFormat;
    // Tells a sink MakeSink made which of the format's entries is chosen, for formats whose
    // entries share one sink and extension; null when there is nothing to tell.
    void (*SetEntry)(TACSFileOut& Sink, int32_t DestExt) = nullptr;
    // Whether a missing codec library fails only the files of this format, in every program;
    // otherwise it stops a program that does not allow missing libraries.
    bool OptionalLibraries = false;
};

// Every format, in the order of the "All Supported Files" filter.
std::span<const TFormat> Formats();
// The format that reads files with Extension (with its dot, any case); null when there is none.
const TFormat* FindInputFormat(const std::string& Extension);

// The output format dialog's entries, in the order of their stored "DestExt".
std::span<const TOutputFormat> OutputFormats();
// The entry stored as DestExt; null for a value no entry has.
const TOutputFormat* OutputEntry(int32_t DestExt);
// The extension of entry DestExt; empty for a value outside the list.
std::string OutputExtension(int32_t DestExt);
// The entry whose name or extension is Extension (with or without its dot, any case; the first
// of the entries with that extension); -1 when there is none.
int32_t FindOutputFormat(const std::string& Extension);
// The format that writes entry DestExt; null for a value outside the list.
const TFormat* FormatOfOutput(int32_t DestExt);

// The level a stored choice (DestExt, Bitrate) sets on Format's sink: Bitrate, when DestExt is
// one of Format's entries (or Format takes its level from any format) and Bitrate is in that
// entry's list; nothing otherwise, which leaves the sink's level as it was.
std::optional<int32_t> SinkLevel(const TFormat& Format, int32_t DestExt, int32_t Bitrate);

// The media bin's bit rate text for a file with Extension that cannot be read.
const char* InvalidBitrateText(const std::string& Extension);

// The open dialog's name filters: "All Supported Files (...)", then one per format.
std::vector<std::string> OpenDialogFilters();

} // namespace deraz
