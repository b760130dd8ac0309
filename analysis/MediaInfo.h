// What the media bin and the media info window show for a file, without any user interface.
#pragma once

#include "analysis/FLACfile.h"
#include "analysis/LosslessInfo.h"
#include "analysis/MPEGaudio.h"
#include "analysis/Monkey.h"
#include "analysis/OggOpus.h"
#include "analysis/OggVorbis.h"
#include "analysis/WAVfile.h"
#include "codecs/FormatTable.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace deraz {

// One reader per input format, reloaded for each file.
struct TMediaAnalysers {
    TOggVorbis Ogg;
    TMonkey Monkey;
    TFLACfile Flac;
    TWAVfile Wav;
    TMPEGaudio Mpeg;
    TOggOpus Opus;
    TWavPackFile WavPack;
    TAIFFfile Aiff;
};

// The extension of a file name from its last dot, as written; empty when it has none.
std::string FileExtension(const std::string& FileName);
// The same in lower case.
std::string LowerCaseExtension(const std::string& FileName);
// The reader for a file by its extension in any case (the format table's analyser); an unknown
// extension is read as Ogg Vorbis.
TMediaKind MediaKindOf(const std::string& FileName);

// The media bin's size text: the size in bytes and " Bytes.", or "0" for a file not found.
std::string SizeText(const std::string& FileName);
// The media bin's "Bitrate" text: the bit rate, or the format table's text for an invalid file
// of its extension for a file its reader cannot read or finds not valid.
std::string BitrateText(TMediaAnalysers& Analysers, const std::string& FileName);

// Number forms: Decimals fixed decimals, with or without a digit before the point below 1.
std::string FormatFixed(double Value, int Decimals, bool LeadingZero);
// The shortest general form of a double, up to 15 significant digits.
std::string FormatGeneral(double Value);

// The values of the media info window's controls.
struct TMediaInfo {
    std::string Ext, Artist, Title, Album, Track, Date, Genre, Comments;
    std::string Length, Bitrate, FileSize, Channels, SampleRate, Vendor, Encoder, Version, Layer, Frames,
        Emphasis;
    bool CRC = false, Original = false, Copyrighted = false;
    std::string VendorCaption = "Vendor:";
    std::string VersionCaption = "Version:";
};

// Loads FileName with its reader and fills Info as the media info window shows it; false, with
// Info untouched, when the reader finds the file not valid. Errors of the FLAC and Ogg Vorbis
// readers are raised to the caller.
bool ReadMediaInfo(TMediaAnalysers& Analysers, const std::string& FileName, TMediaInfo& Info);

// Prints the media info of FileName as "Name: value" lines and its "Bitrate column:" text;
// a file that is not valid prints "Valid: no", one that cannot be read "Error: <reason>".
// Returns whether the file was read and valid.
bool PrintMediaInfo(TMediaAnalysers& Analysers, const std::string& FileName, std::ostream& Out);
// The info command: every file in turn, a blank line between them; 0 when all were read, else 1.
int RunMediaInfo(const std::vector<std::string>& FileNames, std::ostream& Out);

} // namespace deraz
