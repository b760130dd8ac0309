// The inputs of a batch as a user names them (on the command line, or dropped on the media bin):
// files as given, and the convertible files inside folders with their place below the folder.
#pragma once

#include <string>
#include <vector>

namespace deraz {

struct TInputFile {
    std::string Path;         // full path of the file
    std::string Folder;       // full path of the folder it was found through; empty for a file given
    std::string RelativePath; // its path below Folder ("A/B/01.flac"); its own name for a file given
};

// Every argument in order: a folder gives the files inside it and its subfolders whose
// extension a conversion reads (.mp3, .ogg, .fla, .flac, .ape, .wav in any case), sorted by
// path; anything else, a folder without such files included, is taken as a file, so that it
// fails with its reason. An OutputDir inside a folder is passed over, so earlier outputs never
// come back as inputs.
std::vector<TInputFile> ExpandInputs(const std::vector<std::string>& Arguments,
                                     const std::string& OutputDir = "");

} // namespace deraz
