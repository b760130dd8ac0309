// Which source reads an input and which sink writes an output, chosen by file extension.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "codecs/FormatTable.h"
#include "driver/OutputFormats.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

struct TSourceRow {
    std::string Extension; // lower case, with its dot
    TACSFileIn* Source;
};

struct TSinkRow {
    std::string Extension; // lower case, with its dot
    TACSFileOut* Sink;
    TSinkCode Code;
    // Sets the sink's encoder level from the stored choice before a run; may be empty.
    std::function<void(const TOutputChoice&)> ApplyLevel;
};

// The rows do not own their components.
class TPipelineTable {
public:
    void AddSource(const std::string& Extension, TACSFileIn* Source);
    void AddSink(const std::string& Extension, TACSFileOut* Sink, TSinkCode Code,
                 std::function<void(const TOutputChoice&)> ApplyLevel = {});

    // By extension in any case, with its dot; null when no row has it.
    const TSourceRow* FindSource(const std::string& Extension) const;
    const TSinkRow* FindSink(const std::string& Extension) const;

    // An extension whose component could not be made, with the reason ("<library> library could
    // not be loaded."); the driver fails the entries that would need it with that text.
    enum class TRole { Source, Sink };
    void AddUnavailable(TRole Role, const std::string& Extension, std::string Reason);
    // The recorded reason, or null.
    const std::string* Unavailable(TRole Role, const std::string& Extension) const;
    const std::vector<TSourceRow>& Sources() const { return FSources; }
    const std::vector<TSinkRow>& Sinks() const { return FSinks; }

private:
    std::vector<TSourceRow> FSources;
    std::vector<TSinkRow> FSinks;
    std::map<std::pair<TRole, std::string>, std::string> FUnavailable;
};

} // namespace deraz
