// The INI reader on arbitrary files.
#include "platform/IniFile.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const std::string FileName = deraz::fuzz::WriteInput(nullptr, 0, ".ini");
    deraz::fuzz::WriteInput(Data, Size, ".ini");
    deraz::TIniFile Ini(FileName);
    Ini.ReadString("General", "Done", "");
    Ini.ReadInteger("Output", "Bitrate", 5);
    Ini.ReadBool("General", "UseSound", false);
    int32_t Value;
    deraz::ParseIniInteger(std::string(reinterpret_cast<const char*>(Data), Size), Value);
    return 0;
}
