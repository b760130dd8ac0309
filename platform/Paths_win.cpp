#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/Paths.h"

namespace deraz {

namespace fs = std::filesystem;

fs::path ExecutableDirectory() {
    std::wstring Name(MAX_PATH, L'\0');
    for (;;) {
        DWORD Length = GetModuleFileNameW(nullptr, Name.data(), static_cast<DWORD>(Name.size()));
        if (Length == 0) return fs::current_path();
        if (Length < Name.size()) return fs::path(Name.substr(0, Length)).parent_path();
        Name.resize(Name.size() * 2);
    }
}

fs::path UserConfigDirectory() {
    const wchar_t* AppData = _wgetenv(L"APPDATA");
    return fs::path(AppData && *AppData ? AppData : L".") / "deraz";
}

// Access rights on Windows live in access control lists that the file attributes do not show, so
// the question is put to the system by opening the file, or a scratch file beside it.
bool CanWriteFile(const fs::path& File) {
    std::error_code Error;
    HANDLE Handle;
    if (fs::exists(File, Error))
        Handle = CreateFileW(File.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    else
        Handle = CreateFileW((File.parent_path() / L"~deraz-write-check.tmp").c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (Handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(Handle);
    return true;
}

} // namespace deraz
