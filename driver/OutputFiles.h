// Output files are written under a temporary name in their final folder and take their final
// name only once complete, so a failed conversion never leaves a partial file or spoils an
// existing one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/System.h"

namespace deraz {

// A short name in FinalName's directory (".deraz-PID-N.part") that no other conversion of this
// or another process uses.
std::string TemporaryOutputName(const std::string& FinalName);
// Removes the files directly in Folder that TemporaryOutputName made for a process that is no
// longer running, and nothing else; returns how many it removed.
int32_t RemoveStaleTemporaries(const std::string& Folder);
// Raises with one line when no file can be made in Folder.
void RequireWritableFolder(const std::string& Folder);
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
