// deraz-convert: converts audio files from the command line.
#include <cstdio>
#include <exception>

#include "cli/Convert.h"
#include "cli/DeviceOptions.h"
#include "cli/Info.h"
#include "cli/Options.h"
#include "codecs/CodecLibraries.h"
#include "platform/CommandLine.h"

int main(int argc, char** argv) {
    using namespace deraz;
    try {
        LoadCodecLibraries();
        TCliOptions Options = ParseCommandLine(CommandLineArguments(argc, argv));
        if (Options.Help) {
            std::fputs(UsageText, stdout);
            std::fputs(HelpText, stdout);
            return 0;
        }
        if (Options.Version) {
            std::printf("deraz-convert %s (Deraz Audio Converter)\n", DERAZ_VERSION);
            return 0;
        }
        if (Options.Levels) {
            std::fputs(LevelsText(*Options.Levels).c_str(), stdout);
            return 0;
        }
        if (Options.Profiles) {
            std::fputs(ProfilesText(TSettings()).c_str(), stdout);
            return 0;
        }
        if (Options.Info) return PrintMediaInfo(Options.Files);
        return RunConversion(Options);
    } catch (const EUsageError& E) {
        std::fprintf(stderr, "deraz-convert: %s\n%s", E.what(), UsageText);
        return 2;
    } catch (const std::exception& E) {
        std::fprintf(stderr, "deraz-convert: %s\n", E.what());
        return 1;
    }
}
