// Creates both Ogg Vorbis components and prints what happened to each: run by the tests with a
// library search path that hides one of the four libraries.
#include <cstdio>

#include "codecs/CodecLibraries.h"
#include "codecs/vorbis/ACS_Vorbis.h"

namespace {

template <class Component> void TryCreate(const char* Label) {
    try {
        Component Created;
        std::printf("%s: created\n", Label);
    } catch (const deraz::EACSException& E) {
        std::printf("%s: %s\n", Label, E.what());
    }
}

} // namespace

int main() {
    deraz::LoadCodecLibraries();
    TryCreate<deraz::TVorbisIn>("in");
    TryCreate<deraz::TVorbisOut>("out");
    return 0;
}
