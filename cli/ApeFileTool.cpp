// deraz-ape: whole-file Monkey's Audio work through libMACDll.so's C interface, for benchmarks
// and scripts.
//   deraz-ape c LEVEL IN.wav OUT.ape    compress (LEVEL 1000 ... 5000)
//   deraz-ape d IN.ape OUT.wav          decompress
//   deraz-ape v IN.ape                  verify every frame
#include "macdll/MACDll.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const std::string Command = argc > 1 ? argv[1] : "";
    int Result;
    if (Command == "c" && argc == 5)
        Result = CompressFile(argv[3], argv[4], std::atoi(argv[2]), nullptr, nullptr, nullptr);
    else if (Command == "d" && argc == 4)
        Result = DecompressFile(argv[2], argv[3], nullptr, nullptr, nullptr);
    else if (Command == "v" && argc == 3)
        Result = VerifyFile(argv[2], nullptr, nullptr, nullptr);
    else {
        std::fprintf(stderr, "usage: deraz-ape c LEVEL IN.wav OUT.ape | d IN.ape OUT.wav | v IN.ape\n");
        return 2;
    }
    if (Result != 0) std::fprintf(stderr, "deraz-ape: error %d\n", Result);
    return Result == 0 ? 0 : 1;
}
