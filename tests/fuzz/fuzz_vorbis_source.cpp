// The Ogg Vorbis source on arbitrary files.
#include "codecs/vorbis/ACS_Vorbis.h"
#include "tests/fuzz/FuzzSupport.h"

// libvorbisfile 1.3.7 itself loses memory when it refuses some damaged files (ov_fopen alone
// does the same), allocated in libvorbis or libvorbisfile. The stacks stop there (no frame
// pointers), so both libraries are excused; the sanitizer tests show that a normal open and
// close loses nothing.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libvorbisfile.so\nleak:libvorbis.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static deraz::TVorbisIn Source;
    deraz::fuzz::ReadToEnd(Source, deraz::fuzz::WriteInput(Data, Size, ".ogg"));
    return 0;
}
