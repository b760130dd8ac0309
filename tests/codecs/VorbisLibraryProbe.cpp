// Creates both Ogg Vorbis components and prints what happened to each, then, given a file, opens
// and reads it whole: run by the tests with a library search path that hides one library.
#include <cstdio>
#include <vector>

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

void TryRead(const char* File) {
    try {
        deraz::TVorbisIn In;
        In.SetFileName(File);
        In.Channels(); // reads the headers
        const int64_t Size = In.Size();
        std::printf("opened: %s\n", In.Valid() ? "valid" : "invalid");
        In.Init();
        std::vector<uint8_t> Piece(65536);
        int64_t Bytes = 0;
        for (int32_t Count; (Count = In.GetData(Piece.data(), int32_t(Piece.size()))) > 0;) Bytes += Count;
        In.Flush();
        std::printf("read: %s\n", Bytes == Size ? "whole" : "short");
    } catch (const deraz::EACSException& E) {
        std::printf("read: %s\n", E.what());
    }
}

} // namespace

int main(int Count, char** Arguments) {
    deraz::LoadCodecLibraries();
    TryCreate<deraz::TVorbisIn>("in");
    TryCreate<deraz::TVorbisOut>("out");
    if (Count > 1) TryRead(Arguments[1]);
    return 0;
}
