#include "platform/IniFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/FileStream.h"
#include "platform/Paths.h"

namespace deraz {

namespace {

constexpr size_t MaxStringLength = 2047;

struct TLine {
    std::string Text;   // without the line ending
    std::string Ending; // "\n", "\r\n" or empty for a last line without one
};

std::string Trim(const std::string& Text) {
    size_t First = Text.find_first_not_of(" \t");
    if (First == std::string::npos) return {};
    size_t Last = Text.find_last_not_of(" \t");
    return Text.substr(First, Last - First + 1);
}

bool SameName(const std::string& A, const std::string& B) {
    return std::equal(A.begin(), A.end(), B.begin(), B.end(),
                      [](unsigned char X, unsigned char Y) { return std::tolower(X) == std::tolower(Y); });
}

// The section a header line names, or nothing when the line is no header.
std::optional<std::string> SectionName(const std::string& Line) {
    std::string Text = Trim(Line);
    if (Text.empty() || Text.front() != '[') return std::nullopt;
    size_t Close = Text.find(']');
    return Trim(Text.substr(1, Close == std::string::npos ? std::string::npos : Close - 1));
}

// The key of a "key=value" line; nothing for comments and lines without "=".
std::optional<std::string> KeyName(const std::string& Line) {
    std::string Text = Trim(Line);
    if (Text.empty() || Text.front() == ';' || Text.front() == '#') return std::nullopt;
    size_t Equals = Text.find('=');
    if (Equals == std::string::npos) return std::nullopt;
    return Trim(Text.substr(0, Equals));
}

std::vector<TLine> ReadLines(const std::string& FileName) {
    std::vector<TLine> Lines;
    std::FILE* File = OpenCFile(FileName, "rb");
    if (!File) return Lines;
    std::string Content;
    char Buffer[4096];
    size_t Count;
    while ((Count = std::fread(Buffer, 1, sizeof Buffer, File)) > 0) Content.append(Buffer, Count);
    std::fclose(File);
    size_t Start = 0;
    while (Start < Content.size()) {
        size_t End = Content.find('\n', Start);
        TLine Line;
        if (End == std::string::npos) {
            Line.Text = Content.substr(Start);
            Start = Content.size();
        } else {
            Line.Text = Content.substr(Start, End - Start);
            Line.Ending = "\n";
            Start = End + 1;
        }
        if (!Line.Text.empty() && Line.Text.back() == '\r') {
            Line.Text.pop_back();
            Line.Ending.insert(0, "\r");
        }
        Lines.push_back(std::move(Line));
    }
    return Lines;
}

// Where a section's header stands and where its body ends (the next header or the end).
struct TSectionSpan {
    size_t Header;
    size_t End;
};

std::optional<TSectionSpan> FindSection(const std::vector<TLine>& Lines, const std::string& Section) {
    for (size_t I = 0; I < Lines.size(); ++I) {
        auto Name = SectionName(Lines[I].Text);
        if (!Name || !SameName(*Name, Section)) continue;
        size_t End = I + 1;
        while (End < Lines.size() && !SectionName(Lines[End].Text)) ++End;
        return TSectionSpan{I, End};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<TLine>& Lines, const TSectionSpan& Span,
                              const std::string& Ident) {
    for (size_t I = Span.Header + 1; I < Span.End; ++I) {
        auto Key = KeyName(Lines[I].Text);
        if (Key && SameName(*Key, Ident)) return I;
    }
    return std::nullopt;
}

// The value of a "key=value" line.
std::string LineValue(const std::string& Text) {
    std::string Value = Trim(Text.substr(Text.find('=') + 1));
    // A value in matching quotes reads without them.
    if (Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') && Value.back() == Value.front())
        Value = Value.substr(1, Value.size() - 2);
    return Value;
}

std::optional<std::string> ReadValue(const std::string& FileName, const std::string& Section,
                                     const std::string& Ident) {
    auto Lines = ReadLines(FileName);
    auto Span = FindSection(Lines, Section);
    if (!Span) return std::nullopt;
    auto Index = FindKey(Lines, *Span, Ident);
    if (!Index) return std::nullopt;
    return LineValue(Lines[*Index].Text);
}

// Cuts UTF-8 text after Count characters.
std::string FirstCharacters(const std::string& Text, size_t Count) {
    size_t Characters = 0;
    for (size_t I = 0; I < Text.size(); ++I) {
        bool Continuation = (static_cast<unsigned char>(Text[I]) & 0xC0) == 0x80;
        if (!Continuation && Characters++ == Count) return Text.substr(0, I);
    }
    return Text;
}

void WriteLines(const std::string& FileName, const std::vector<TLine>& Lines) {
    std::string Content;
    for (const TLine& Line : Lines) Content += Line.Text + Line.Ending;
    std::FILE* File = OpenCFile(FileName, "wb");
    bool Written = File && std::fwrite(Content.data(), 1, Content.size(), File) == Content.size();
    if (File && std::fclose(File) != 0) Written = false;
    if (!Written) throw EIniFileException("Unable to write to " + FileName);
}

} // namespace

bool ParseIniInteger(const std::string& Text, int32_t& Value) {
    size_t I = 0;
    bool Negative = false;
    if (I < Text.size() && (Text[I] == '-' || Text[I] == '+')) Negative = Text[I++] == '-';
    int Base = 10;
    if (I < Text.size() && Text[I] == '$') {
        Base = 16;
        ++I;
    } else if (Text.size() - I > 2 && Text[I] == '0' && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
        Base = 16;
        I += 2;
    }
    if (I == Text.size()) return false;
    // Hexadecimal covers all 32 bits ("$FFFFFFFF" is -1); decimal stays within the signed range.
    const uint64_t Limit = Base == 16 ? 0xFFFFFFFFull : (Negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t Magnitude = 0;
    for (; I < Text.size(); ++I) {
        int Digit;
        unsigned char C = static_cast<unsigned char>(Text[I]);
        if (std::isdigit(C))
            Digit = C - '0';
        else if (Base == 16 && std::isxdigit(C))
            Digit = std::tolower(C) - 'a' + 10;
        else
            return false;
        Magnitude = Magnitude * Base + Digit;
        if (Magnitude > Limit) return false;
    }
    uint32_t Bits = static_cast<uint32_t>(Magnitude);
    Value = static_cast<int32_t>(Negative ? 0u - Bits : Bits);
    return true;
}

TIniFile::TIniFile(const std::string& FileName) {
    std::error_code Error;
    auto Absolute = std::filesystem::absolute(PathOf(FileName), Error);
    FFileName = Error ? FileName : NameOf(Absolute.lexically_normal());
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
    auto Value = ReadValue(FFileName, Section, Ident);
    return Value ? FirstCharacters(*Value, MaxStringLength) : Default;
}

int32_t TIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int32_t Default) const {
    auto Text = ReadValue(FFileName, Section, Ident);
    int32_t Value;
    return Text && ParseIniInteger(*Text, Value) ? Value : Default;
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> Names;
    for (const TLine& Line : ReadLines(FFileName))
        if (auto Name = SectionName(Line.Text)) Names.push_back(*Name);
    return Names;
}

std::vector<std::pair<std::string, std::string>>
TIniFile::ReadSectionValues(const std::string& Section) const {
    std::vector<std::pair<std::string, std::string>> Values;
    auto Lines = ReadLines(FFileName);
    auto Span = FindSection(Lines, Section);
    for (size_t I = Span ? Span->Header + 1 : 0; Span && I < Span->End; ++I)
        if (auto Key = KeyName(Lines[I].Text))
            Values.emplace_back(*Key, FirstCharacters(LineValue(Lines[I].Text), MaxStringLength));
    return Values;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    auto Lines = ReadLines(FFileName);
    // New lines follow the file's own line endings.
    std::string Ending = !Lines.empty() && Lines.front().Ending == "\r\n" ? "\r\n" : "\n";
    TLine KeyLine{Ident + "=" + Value, Ending};
    if (auto Span = FindSection(Lines, Section)) {
        if (auto Index = FindKey(Lines, *Span, Ident)) {
            KeyLine.Ending = Lines[*Index].Ending;
            Lines[*Index] = KeyLine;
        } else {
            // After the section's last non-blank line, so blank separators stay below it.
            size_t At = Span->End;
            while (At > Span->Header + 1 && Trim(Lines[At - 1].Text).empty()) --At;
            if (Lines[At - 1].Ending.empty()) Lines[At - 1].Ending = Ending;
            Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(At), KeyLine);
        }
    } else {
        if (!Lines.empty() && Lines.back().Ending.empty()) Lines.back().Ending = Ending;
        Lines.push_back({"[" + Section + "]", Ending});
        Lines.push_back(KeyLine);
    }
    WriteLines(FFileName, Lines);
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value) {
    WriteString(Section, Ident, std::to_string(Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

} // namespace deraz
