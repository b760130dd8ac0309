// One reader of technical data and tags on arbitrary files; built once per reader, with
// DERAZ_READER naming its class and DERAZ_READER_HEADER its header.
#include DERAZ_READER_HEADER
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const std::string FileName = deraz::fuzz::WriteInput(nullptr, 0, ".bin");
    deraz::fuzz::WriteInput(Data, Size, ".bin");
    try {
        deraz::DERAZ_READER Reader;
        Reader.LoadFile(FileName);
    } catch (const std::exception&) {
        // The FLAC and Ogg Vorbis readers pass stream errors on to their caller.
    }
    return 0;
}
