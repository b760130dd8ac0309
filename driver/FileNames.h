// File name pieces as the media bin uses them: the extension is the text from the last dot of
// the name part, with the dot and in the case it has.
#pragma once

#include <string>

namespace deraz {

std::string LowerCase(std::string Text);
// "/music/Song.OGG" gives ".OGG"; a name without a dot gives "".
std::string ExtractFileExt(const std::string& FileName);
// The part after the last path separator.
std::string ExtractFileName(const std::string& FileName);
// Replaces the extension (appends one when there is none; an empty one removes it).
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
// The output name of an input: beside the input, or in OutputDir when one is given, with the
// output format's extension. With RelativePath, the input's path below the folder it was added
// through ("A/B/01.flac"), the output keeps those folders under OutputDir ("OutputDir/A/B/01.mp3");
// a RelativePath that would lead out of OutputDir (absolute, or with "..") is taken by its name alone.
std::string OutputFileName(const std::string& InputName, const std::string& Extension,
                           const std::string& OutputDir = "", const std::string& RelativePath = "");

} // namespace deraz
