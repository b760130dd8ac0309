#include "driver/NamePattern.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "driver/FileNames.h"

namespace deraz {

namespace {

constexpr const char* KnownFields[] = {"artist", "albumartist", "album",    "title",    "track", "disc",
                                       "year",   "genre",       "composer", "filename", "folder"};
constexpr size_t MaxPartBytes = 255;

std::string First(const TTagSet& Tags, const char* Name) {
    auto Found = Tags.Fields.find(Name);
    return Found == Tags.Fields.end() || Found->second.empty() ? std::string() : Found->second.front();
}

std::string WithoutExtension(const std::string& Name) {
    return Name.substr(0, Name.size() - ExtractFileExt(Name).size());
}

// The input's folder below the folder it was added through, with '/' between its parts.
std::string RelativeFolder(const TInputFile& Input) {
    size_t Slash = Input.RelativePath.find_last_of("/\\");
    return Slash == std::string::npos ? std::string() : Input.RelativePath.substr(0, Slash);
}

bool IsCompilation(const TTagSet& Tags) {
    std::string Value = First(Tags, "COMPILATION");
    return !Value.empty() && Value != "0";
}

// The value of Field for Input: the tag, or what stands in for a missing one.
std::string FieldValue(const std::string& Field, const TInputFile& Input, const TTagSet& Tags) {
    std::string FileName = WithoutExtension(ExtractFileName(Input.Path));
    if (Field == "artist") {
        std::string Artist = First(Tags, "ARTIST");
        return Artist.empty() ? "Unknown Artist" : Artist;
    }
    if (Field == "albumartist") {
        std::string Artist = First(Tags, "ALBUMARTIST");
        if (Artist.empty() && IsCompilation(Tags)) return "Various Artists";
        return Artist.empty() ? FieldValue("artist", Input, Tags) : Artist;
    }
    if (Field == "album") {
        std::string Album = First(Tags, "ALBUM");
        return Album.empty() ? "Unknown Album" : Album;
    }
    if (Field == "title") {
        std::string Title = First(Tags, "TITLE");
        return Title.empty() ? FileName : Title;
    }
    if (Field == "track") return First(Tags, "TRACKNUMBER");
    if (Field == "disc") return First(Tags, "DISCNUMBER");
    if (Field == "year") return First(Tags, "DATE").substr(0, 4);
    if (Field == "genre") return First(Tags, "GENRE");
    if (Field == "composer") return First(Tags, "COMPOSER");
    if (Field == "filename") return FileName;
    return RelativeFolder(Input); // "folder"
}

std::string ZeroPadded(std::string Number, int Width) {
    bool Digits = !Number.empty() &&
                  std::all_of(Number.begin(), Number.end(), [](char C) { return C >= '0' && C <= '9'; });
    if (Digits && int(Number.size()) < Width) Number.insert(0, size_t(Width) - Number.size(), '0');
    return Number;
}

// A tag value inside one path part: its own slashes must not make folders.
std::string OnePart(std::string Value) {
    std::replace_if(
        Value.begin(), Value.end(), [](char C) { return C == '/' || C == '\\'; }, '_');
    return Value;
}

} // namespace

std::string CutUtf8(const std::string& Text, size_t Bytes) {
    if (Text.size() <= Bytes) return Text;
    size_t End = Bytes;
    while (End > 0 && (static_cast<unsigned char>(Text[End]) & 0xC0) == 0x80) --End;
    return Text.substr(0, End);
}

std::string SafePathPart(std::string Name) {
    for (char& C : Name) {
        auto Byte = static_cast<unsigned char>(C);
        if (Byte < 0x20 || Byte == 0x7F || std::strchr("/\\:*?\"<>|", C)) C = '_';
    }
    for (size_t I = Name.size(); I > 0 && (Name[I - 1] == '.' || Name[I - 1] == ' '); --I) Name[I - 1] = '_';
    return Name.empty() ? "_" : Name;
}

TNamePattern::TNamePattern(const std::string& Pattern) : FText(Pattern) {
    if (Pattern.empty()) throw std::invalid_argument("The name pattern is empty.");
    TPiece Piece;
    for (size_t At = 0; At < Pattern.size();) {
        size_t Open = Pattern.find('{', At);
        if (Open == std::string::npos) {
            Piece.Literal += Pattern.substr(At);
            break;
        }
        size_t Close = Pattern.find('}', Open);
        if (Close == std::string::npos)
            throw std::invalid_argument("The name pattern has a '{' without its '}'.");
        Piece.Literal += Pattern.substr(At, Open - At);
        std::string Field = Pattern.substr(Open + 1, Close - Open - 1);
        size_t Colon = Field.find(':');
        if (Colon != std::string::npos) {
            std::string Width = Field.substr(Colon + 1);
            Field.resize(Colon);
            if (Width.empty() || Width.size() > 2 || !std::all_of(Width.begin(), Width.end(), ::isdigit))
                throw std::invalid_argument("The width of {" + Field + "} is not a number of digits.");
            Piece.Width = std::stoi(Width);
        }
        if (std::find(std::begin(KnownFields), std::end(KnownFields), Field) == std::end(KnownFields))
            throw std::invalid_argument("The name pattern has an unknown field {" + Field + "}.");
        Piece.Field = Field;
        FPieces.push_back(std::move(Piece));
        Piece = {};
        At = Close + 1;
    }
    if (!Piece.Literal.empty()) FPieces.push_back(std::move(Piece));
}

std::string TNamePattern::Expand(const TInputFile& Input, const TTagSet& Tags,
                                 const std::string& Extension) const {
    std::string Path;
    for (const auto& Piece : FPieces) {
        Path += Piece.Literal;
        if (Piece.Field.empty()) continue;
        std::string Value = FieldValue(Piece.Field, Input, Tags);
        // The relative folder is a path of its own; every other value stays in one part.
        Path += Piece.Field == "folder" ? Value : OnePart(ZeroPadded(Value, Piece.Width));
    }
    std::vector<std::string> Parts;
    for (size_t Start = 0;;) {
        size_t Slash = Path.find_first_of("/\\", Start);
        std::string Part = Path.substr(Start, Slash == std::string::npos ? std::string::npos : Slash - Start);
        if (!Part.empty()) Parts.push_back(Part);
        if (Slash == std::string::npos) break;
        Start = Slash + 1;
    }
    if (Parts.empty()) Parts.push_back(WithoutExtension(ExtractFileName(Input.Path)));
    std::string Result;
    for (size_t I = 0; I < Parts.size(); ++I) {
        bool Last = I + 1 == Parts.size();
        size_t Room = Last ? MaxPartBytes - std::min(Extension.size(), MaxPartBytes - 1) : MaxPartBytes;
        // Cut before making safe, so a cut that ends in a space or dot is made safe too.
        Result += SafePathPart(CutUtf8(Parts[I], Room)) + (Last ? Extension : "/");
    }
    return Result;
}

std::function<std::string(const TInputFile&, const std::string&)> PatternNamer(TNamePattern Pattern) {
    return [Pattern = std::move(Pattern)](const TInputFile& Input, const std::string& Extension) {
        return Pattern.Expand(Input, ReadTags(Input.Path), Extension);
    };
}

} // namespace deraz
