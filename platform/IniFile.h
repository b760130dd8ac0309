// Single keys of an INI file, read and written one at a time: every call opens the file, does its
// work and closes it again, so nothing is held between calls.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace deraz {

// A write the system refused; the text is "Unable to write to " followed by the full file name.
class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Section and key names match without regard to case. A missing file, section or key reads as
// the default; so does a number that does not parse.
class TIniFile {
public:
    // The name is made absolute, so error texts name the full file.
    explicit TIniFile(const std::string& FileName);

    const std::string& FileName() const { return FFileName; }

    // At most 2047 characters of the value.
    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) const;
    // Decimal, or hexadecimal after "$", "0x" or "0X".
    int32_t ReadInteger(const std::string& Section, const std::string& Ident, int32_t Default) const;
    // Any non-zero number is true.
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;

    // The names of every section, in file order.
    std::vector<std::string> ReadSections() const;
    // Every key of Section with its value, in file order; empty when the section is missing.
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(const std::string& Section) const;

    // Replaces or adds one key; every other line of the file stays as it was.
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
    void WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value);
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

private:
    std::string FFileName;
};

// Parses an integer as the INI reader does; false when Text is not a 32-bit number.
bool ParseIniInteger(const std::string& Text, int32_t& Value);

} // namespace deraz
