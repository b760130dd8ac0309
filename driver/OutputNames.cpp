#include "driver/OutputNames.h"

#include "driver/FileNames.h"

namespace deraz {

std::string NumberedName(const std::string& FileName, int32_t Number) {
    std::string Ext = ExtractFileExt(FileName);
    return FileName.substr(0, FileName.size() - Ext.size()) + " (" + std::to_string(Number) + ")" + Ext;
}

std::string FreeName(const std::string& FileName, const std::function<bool(const std::string&)>& InUse) {
    std::string Name = FileName;
    for (int32_t Number = 1; InUse(Name); ++Number) Name = NumberedName(FileName, Number);
    return Name;
}

} // namespace deraz
