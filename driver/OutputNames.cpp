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

std::string TOutputClaims::Claim(const std::string& Name, const std::string& InputName,
                                 const std::function<bool(const std::string&)>& AlsoInUse) {
    std::string Free = FreeName(Name, [&](const std::string& Candidate) {
        return FOutputs.contains(Candidate) || (Candidate != InputName && FInputs.contains(Candidate)) ||
               (AlsoInUse && AlsoInUse(Candidate));
    });
    FOutputs.insert(Free);
    return Free;
}

} // namespace deraz
