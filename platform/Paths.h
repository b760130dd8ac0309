// Where the program finds itself and keeps its files: the parts of path handling that differ
// between operating systems.
#pragma once

#include <filesystem>
#include <string>

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

// Names are UTF-8 throughout the program, while a path made from or turned into a narrow string
// uses the ANSI code page on Windows: these two convert by UTF-8 on every system.
inline std::filesystem::path PathOf(const std::string& Name) {
    return std::filesystem::u8path(Name);
}
inline std::string NameOf(const std::filesystem::path& Path) {
    const auto Text = Path.u8string();
    return std::string(Text.begin(), Text.end());
}

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
