// deraz-convert: converts audio files from the command line.
#include "analysis/MediaInfo.h"

#include <cstdio>
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--info") == 0) {
        if (argc < 3) {
            std::fputs("usage: deraz-convert --info FILE...\n", stderr);
            return 2;
        }
        return deraz::RunMediaInfo({argv + 2, argv + argc}, std::cout);
    }
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::puts("usage: deraz-convert [-f EXT] [-l N] [-o DIR] [-j N] [-q] INPUT...\n"
                  "       deraz-convert --info FILE...");
        return argc < 2 ? 2 : 0;
    }
    std::fputs("deraz-convert: no output format is available yet\n", stderr);
    return 1;
}
