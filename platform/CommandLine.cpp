#include "platform/CommandLine.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace deraz {

#ifdef _WIN32

namespace {

std::string Utf8(const wchar_t* Text) {
    int Size = WideCharToMultiByte(CP_UTF8, 0, Text, -1, nullptr, 0, nullptr, nullptr);
    if (Size <= 1) return {};
    std::string Result(size_t(Size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, Text, -1, Result.data(), Size, nullptr, nullptr);
    Result.pop_back(); // the terminating zero
    return Result;
}

} // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int Count = 0;
    LPWSTR* Wide = CommandLineToArgvW(GetCommandLineW(), &Count);
    if (!Wide) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> Arguments;
    for (int I = 1; I < Count; ++I) Arguments.push_back(Utf8(Wide[I]));
    LocalFree(Wide);
    return Arguments;
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

#endif

} // namespace deraz
