#include "driver/PipelineTable.h"

#include "driver/FileNames.h"

namespace deraz {

void TPipelineTable::AddSource(const std::string& Extension, TACSFileIn* Source) {
    FSources.push_back({LowerCase(Extension), Source});
}

void TPipelineTable::AddSink(const std::string& Extension, TACSFileOut* Sink, TSinkCode Code,
                             std::function<void(const TOutputChoice&)> ApplyLevel) {
    FSinks.push_back({LowerCase(Extension), Sink, Code, std::move(ApplyLevel)});
}

const TSourceRow* TPipelineTable::FindSource(const std::string& Extension) const {
    std::string Wanted = LowerCase(Extension);
    for (const auto& Row : FSources)
        if (Row.Extension == Wanted) return &Row;
    return nullptr;
}

const TSinkRow* TPipelineTable::FindSink(const std::string& Extension) const {
    std::string Wanted = LowerCase(Extension);
    for (const auto& Row : FSinks)
        if (Row.Extension == Wanted) return &Row;
    return nullptr;
}

void TPipelineTable::AddUnavailable(TRole Role, const std::string& Extension, std::string Reason) {
    FUnavailable.emplace(std::pair(Role, LowerCase(Extension)), std::move(Reason));
}

const std::string* TPipelineTable::Unavailable(TRole Role, const std::string& Extension) const {
    auto Found = FUnavailable.find({Role, LowerCase(Extension)});
    return Found == FUnavailable.end() ? nullptr : &Found->second;
}

} // namespace deraz
