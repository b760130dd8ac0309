#include "driver/EntryQueue.h"

#include "driver/OutputNames.h"

namespace deraz {

void SeparateOutputs(std::vector<TMediaEntry>& Entries) {
    std::unordered_set<std::string> Inputs;
    for (const auto& Entry : Entries) Inputs.insert(Entry.InputName);
    TOutputClaims Claims(std::move(Inputs));
    for (auto& Entry : Entries) {
        std::string Free = Claims.Claim(Entry.OutputName, Entry.InputName);
        if (Free == Entry.OutputName) continue;
        Entry.Note = "Written as " + Free + ": " + Entry.OutputName +
                     " is the input or output of another file of the batch.";
        Entry.OutputName = std::move(Free);
    }
}

} // namespace deraz
