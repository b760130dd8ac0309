// The APE tag at the end of a file (before an ID3v1 tag when there is one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace deraz {

// One tag item: its name and its value, both as raw bytes without surrounding blanks.
struct RField {
    std::string Name;
    std::string Value;
};
using AField = std::vector<RField>;

class TAPETag {
public:
    // Reads the tag of FileName; false when the file cannot be opened or is shorter than a footer.
    bool LoadFile(const std::string& FileName);
    void Clear() { *this = TAPETag(); }

    // The items read, values cut to 250 bytes.
    const AField& Fields() const { return FFields; }
    // The footer identifier "APETAGEX" was found.
    bool Exists() const { return FExists; }
    // Version field of the footer.
    int32_t Version() const { return FVersion; }
    // Size field of the footer: the items plus the 32-byte footer.
    int32_t Size() const { return FSize; }

private:
    void ReadItems(const std::string& FileName, int64_t TagEnd, uint32_t ItemCount);

    AField FFields;
    bool FExists = false;
    int32_t FVersion = 0;
    int32_t FSize = 0;
};

} // namespace deraz
