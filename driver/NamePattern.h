// Output names made from an input's tags: a pattern such as
// "{albumartist}/{album}/{disc}-{track:02} - {title}" gives each output its path below the output
// folder, in names that a FAT or exFAT card, Windows and macOS all accept.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analysis/TagReader.h"
#include "driver/InputFiles.h"

namespace deraz {

class TNamePattern {
public:
    // Raises std::invalid_argument naming the fault for an unknown field, an unclosed brace or
    // an empty pattern.
    explicit TNamePattern(const std::string& Pattern);

    const std::string& Text() const { return FText; }

    // The output's path below the output folder for Input with Tags, ending in Extension (with
    // its dot). Every part is made safe and cut to 255 bytes at a character boundary.
    std::string Expand(const TInputFile& Input, const TTagSet& Tags, const std::string& Extension) const;

private:
    struct TPiece {
        std::string Literal; // text before the field (may hold '/')
        std::string Field;   // empty for the text after the last field
        int Width = 0;       // zero-padded width of a number field, 0 for none
    };

    std::string FText;
    std::vector<TPiece> FPieces;
};

// The media bin's namer for Pattern: each input's tags read with TagLib and expanded.
std::function<std::string(const TInputFile&, const std::string&)> PatternNamer(TNamePattern Pattern);

// Name with every character a FAT or exFAT card, Windows or macOS refuses in a file or folder
// name (/ \ : * ? " < > |, control characters, trailing dots and spaces) replaced by '_'; an
// empty name gives "_".
std::string SafePathPart(std::string Name);

// Text cut to at most Bytes bytes without splitting a UTF-8 character.
std::string CutUtf8(const std::string& Text, size_t Bytes);

} // namespace deraz
