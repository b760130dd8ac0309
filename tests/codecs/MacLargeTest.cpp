// Monkey's Audio beyond 2 GiB of PCM: silence, which compresses to a few bytes a frame, written
// through TMACOut and read back with its 64-bit size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "codecs/ape/ACS_MAC.h"
#include "codecs/ape/MACLibrary.h"
#include "tests/codecs/CodecTestDoubles.h"

namespace deraz::test {
namespace {

// 16-bit stereo silence of a given length, made as it is read.
class TSilence : public TACSInput {
public:
    explicit TSilence(int64_t Bytes) : FBytes(Bytes) {}
    int32_t BitsPerSample() override { return 16; }
    int32_t Channels() override { return 2; }
    int32_t SampleRate() override { return 44100; }
    void Init() override {
        FBusy = true;
        FPosition = 0;
        FSize = FBytes;
    }
    void Flush() override { FBusy = false; }
    int32_t GetData(void* Buffer, int32_t BufferSize) override {
        const int32_t Count = int32_t(std::min<int64_t>(BufferSize, FBytes - FPosition));
        std::memset(Buffer, 0, size_t(std::max(Count, 0)));
        FPosition += Count;
        return Count;
    }

private:
    int64_t FBytes;
};

TEST(MACLarge, PcmBeyondTwoGibibytesIsWrittenAndReadWhole) {
    ASSERT_TRUE(MACLibrary().Loaded()) << MACLibrary().NotLoadedMessage();
    TTempDir Dir;
    const std::string File = Dir.File("long.ape");
    const int64_t Blocks = (int64_t(1) << 29) + 12345; // 4 bytes a block: past 2 GiB
    TSilence Source(Blocks * 4);
    TMACOut Out;
    Out.SetCompressionLevel(1000);
    Out.SetInput(&Source);
    Out.SetFileName(File);
    ASSERT_EQ(RunAndWait(Out), "");

    TMACIn In;
    In.SetFileName(File);
    EXPECT_EQ(In.SampleRate(), 44100);
    EXPECT_TRUE(In.Valid());
    EXPECT_EQ(In.TotalSamples(), Blocks);
    In.Init();
    EXPECT_EQ(In.Size(), Blocks * 4);
    In.Flush();
    // The tail, reached by a seek, ends exactly where the input ended.
    In.SetStartSample(Blocks - 1000);
    EXPECT_EQ(ReadAllData(In, 3000), std::vector<uint8_t>(4000, 0));
    if (ToolAvailable("ffprobe")) {
        EXPECT_EQ(ProbeEntries(File, "stream=duration_ts")["duration_ts"], std::to_string(Blocks));
    }
}

} // namespace
} // namespace deraz::test
