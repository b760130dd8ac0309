// Output names that do not collide: with an existing file, or with another output of the batch.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>

namespace deraz {

// What to do when an output file exists already.
enum TIfExists : uint8_t {
    ieOverwrite = 0, // replace it once the new output is complete
    ieSkip = 1,      // keep it and convert nothing
    ieRename = 2,    // write "name (1).ext" (or the first free number) beside it
};

// "/music/Song.mp3" with 2 gives "/music/Song (2).mp3"; a name without an extension gets the
// number at its end.
std::string NumberedName(const std::string& FileName, int32_t Number);

// FileName when InUse refuses it not, else its first numbered form that InUse refuses not.
std::string FreeName(const std::string& FileName, const std::function<bool(const std::string&)>& InUse);

// The names the outputs of one batch keep away from: the outputs given so far, and the inputs of
// the batch other than an entry's own, so that no output lands on another output or on an input.
class TOutputClaims {
public:
    explicit TOutputClaims(std::unordered_set<std::string> Inputs) : FInputs(std::move(Inputs)) {}
    // Name when it is free for the output of InputName, else its first free numbered form;
    // AlsoInUse, when given, refuses further names. The name returned is taken from then on.
    std::string Claim(const std::string& Name, const std::string& InputName,
                      const std::function<bool(const std::string&)>& AlsoInUse = {});

private:
    std::unordered_set<std::string> FInputs;
    std::unordered_set<std::string> FOutputs;
};

} // namespace deraz
