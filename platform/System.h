// What the engine asks of the operating system beyond files and paths: file identity and the
// process id.
#pragma once

#include <cstdint>
#include <string>

namespace deraz {

// Whether the two UTF-8 names denote one file: the same existing file (links included), or the
// same path once made absolute and normalised when either does not exist yet.
bool SameFile(const std::string& A, const std::string& B);

// The id of this process, for names that must not collide with another process's.
int64_t ProcessId();
// Whether a process with the id Pid is running (or cannot be told apart from one that is).
bool ProcessRunning(int64_t Pid);

} // namespace deraz
