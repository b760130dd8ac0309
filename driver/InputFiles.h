// The inputs of a batch as a user names them (on the command line, or dropped on the media bin):
// files as given, and the convertible files inside folders with their place below the folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace deraz {

struct TInputFile {
    std::string Path;   // full path of the file
    std::string Folder; // full path of the folder input it was found through; empty for a file given
    // Its path below the deepest folder holding every folder input of the same call
    // ("Album/01.flac"; below the folder itself when there is one folder input); its own name for
    // a file given.
    std::string RelativePath;
};

// What a folder walk left out, by reason.
struct TWalkReport {
    int32_t AppleDouble = 0;   // "._name" companions of audio files, written by macOS
    int32_t Hidden = 0;        // hidden audio files and hidden folders
    int32_t OutputFolders = 0; // folders that are the output folder or hold an output manifest
    int32_t Repeated = 0;      // files and folders given or reached a second time
    int32_t LinkedTwice = 0;   // symbolic links to folders the walk has already been through
    int32_t Total() const { return AppleDouble + Hidden + OutputFolders + Repeated + LinkedTwice; }
    // "2 AppleDouble files (._*), 1 hidden file or folder", or "" when nothing was left out.
    std::string Text() const;
};

// Every argument in order: a folder gives the files inside it and its subfolders whose
// extension a conversion reads (.mp3, .ogg, .fla, .flac, .ape, .wav in any case), sorted by
// path, following symbolic links to folders once and passing over what TWalkReport counts;
// anything else, a folder without such files included, is taken as a file, so that it fails with
// its reason. A file given or found twice is taken once. Report, when given, receives the counts.
std::vector<TInputFile> ExpandInputs(const std::vector<std::string>& Arguments,
                                     const std::string& OutputDir = "", TWalkReport* Report = nullptr);

} // namespace deraz
