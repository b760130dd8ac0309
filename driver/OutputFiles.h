// Output files are written under a temporary name beside their final name and take that name
// only once complete, so a failed conversion never leaves a partial file or spoils an existing
// one.
#pragma once

#include <string>

#include "platform/System.h"

namespace deraz {

// A name in FinalName's directory that no other conversion of this or another process uses.
std::string TemporaryOutputName(const std::string& FinalName);
// Raises when InputName is not a regular file: a folder, or a device or pipe that could be read
// without end.
void RequireRegularFile(const std::string& InputName);
// Whether OutputName is a file whose last change is not older than InputName's; reads the two
// files' times only.
bool OutputUpToDate(const std::string& InputName, const std::string& OutputName);
// Makes the folder that FinalName goes into, and the folders above it, when missing; raises with
// the system's reason when that fails.
void MakeOutputFolder(const std::string& FinalName);
// Gives the temporary file its final name, replacing any file of that name; raises with the
// system's reason when that fails.
void CommitOutput(const std::string& TemporaryName, const std::string& FinalName);
// Removes the temporary file, if there is one.
void DiscardOutput(const std::string& TemporaryName);

} // namespace deraz
