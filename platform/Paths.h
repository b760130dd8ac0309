// Where the program finds itself and keeps its files: the parts of path handling that differ
// between operating systems.
#pragma once

#include <filesystem>

namespace deraz {

// The separator the program writes into paths, and every character that ends a folder name
// (Windows also takes "/" and a drive's ":").
#ifdef _WIN32
inline constexpr char PathDelimiter = '\\';
inline constexpr const char* PathDelimiters = "\\/:";
#else
inline constexpr char PathDelimiter = '/';
inline constexpr const char* PathDelimiters = "/";
#endif

// The folder of the running executable; the current folder when the system does not say.
std::filesystem::path ExecutableDirectory();

// This user's folder for the program's settings: $XDG_CONFIG_HOME/deraz, or ~/.config/deraz when
// that variable is unset or relative (%APPDATA%\deraz on Windows). It is not created here.
std::filesystem::path UserConfigDirectory();

// Whether the program may write File: an existing file that it may write to, or a new one in a
// folder where it may create files.
bool CanWriteFile(const std::filesystem::path& File);

// The file name FileName has in the settings: beside the executable when that file can be written
// there (a portable copy of the program), otherwise in the user's settings folder.
std::filesystem::path SettingsFilePath(const char* FileName);

} // namespace deraz
