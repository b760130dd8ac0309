#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <vector>

#include "pipeline/ACS_Classes.h"

namespace deraz::fuzz {

std::string WriteInput(const uint8_t* Data, size_t Size, const char* Extension) {
    std::string Name =
        (std::filesystem::temp_directory_path() / ("deraz-fuzz-" + std::to_string(getpid()) + Extension))
            .string();
    std::FILE* File = std::fopen(Name.c_str(), "wb");
    if (!File) std::abort();
    if (Size && std::fwrite(Data, 1, Size, File) != Size) std::abort();
    std::fclose(File);
    return Name;
}

void ReadToEnd(TACSFileIn& Source, const std::string& FileName) {
    Source.SetFileName(FileName);
    try {
        Source.OpenFile();
        bool Valid = Source.Valid();
        Source.CloseFile();
        if (!Valid) return;
        Source.Init();
        std::vector<uint8_t> Buffer(16384);
        // A bound on the output keeps a tiny input that claims hours of audio from timing out.
        int64_t Total = 0;
        while (int32_t Count = Source.GetData(Buffer.data(), int32_t(Buffer.size()))) {
            Total += Count;
            if (Total > (64 << 20)) break;
        }
        Source.Flush();
    } catch (const std::exception&) {
        Source.Reset();
    }
}

} // namespace deraz::fuzz
