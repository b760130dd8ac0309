// A long batch through the real components leaks neither file descriptors nor memory.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "driver/CodecSet.h"
#include "driver/ConvDriver.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;

size_t OpenDescriptors() {
    return size_t(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// Resident memory in KiB.
long ResidentKiB() {
    std::ifstream Status("/proc/self/statm");
    long Pages = 0, Resident = 0;
    Status >> Pages >> Resident;
    return Resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// AddressSanitizer holds freed memory in quarantine, so resident memory says nothing there; its
// leak checker stands in for this comparison in that build.
#ifdef __SANITIZE_ADDRESS__
constexpr bool MemoryComparable = false;
#else
constexpr bool MemoryComparable = true;
#endif

TEST(BatchResources, AThousandEntriesLeaveDescriptorsAndMemoryAsTheyWere) {
    test::TTempDir Dir;
    std::string Wav = Dir.File("source.wav");
    test::WritePcmWav(Wav, test::MusicLikeSignal(2000, 2, 44100), 2, 44100);
    std::string Flac = Dir.File("source.flac");
    ASSERT_EQ(test::RunCommand("flac -s -f -o " + test::ShellQuote(Flac) + " " + test::ShellQuote(Wav)), 0);

    TCodecSet Codecs;
    TConvDriver Driver(Codecs.Pipelines(), [] { return TOutputChoice{4, 0}; });
    // Every output goes to the same few names, so the folder stays small.
    const char* Outputs[] = {".ape", ".mp3", ".flac"};
    auto Batch = [&](int32_t Count) {
        std::vector<TMediaEntry> Entries;
        for (int32_t I = 0; I < Count; ++I)
            Entries.push_back({Flac, Dir.File(std::string("out") + Outputs[I % 3])});
        int32_t Problems = -1;
        Driver.OnBatchEnd = [&](TConvDriver*, const TBatchSummary& Summary) {
            Problems = int32_t(Summary.Problems.size());
        };
        Driver.Start(std::make_shared<TEntryQueue>(std::move(Entries)));
        Driver.RunToEnd();
        return Problems;
    };
    ASSERT_EQ(Batch(30), 0) << "warm-up";
    size_t Descriptors = OpenDescriptors();
    long Memory = ResidentKiB();
    ASSERT_EQ(Batch(1000), 0);
    EXPECT_EQ(OpenDescriptors(), Descriptors);
    if (MemoryComparable) {
        EXPECT_LT(ResidentKiB() - Memory, 16 * 1024) << "memory grew by more than 16 MiB";
    }
}

} // namespace
} // namespace deraz
