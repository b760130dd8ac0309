// TagLib's edits through our file stream: after an insert or a removal the file holds what the
// same edit gives in memory, also where the rest of the file moves in several pieces; a write that
// fails is raised once TagLib is done.
#include <gtest/gtest.h>

#include <random>

#include "codecs/TagStream.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

std::vector<uint8_t> RandomBytes(size_t Count) {
    std::mt19937 Random(7);
    std::vector<uint8_t> Bytes(Count);
    for (auto& Byte : Bytes) Byte = uint8_t(Random());
    return Bytes;
}

TEST(TagStream, EditsMoveTheRestOfTheFileAsInMemory) {
    const struct {
        unsigned long Start, Replace, Insert; // an insert of Insert bytes over Replace at Start
        bool Remove;                          // a removal of Replace bytes at Start instead
    } Rows[] = {{10, 0, 5, false},        {10, 5, 5, false},          {10, 700, 3, false},
                {0, 3, 2'500'000, false}, {2'999'990, 10, 20, false}, {1'000'000, 1'500'000, 0, true},
                {0, 2'999'999, 0, true},  {3'000'000, 0, 4, false}};
    TTempDir Dir;
    const std::string File = Dir.File("file.bin");
    for (const auto& Row : Rows) {
        std::vector<uint8_t> Model = RandomBytes(3'000'000);
        WriteFileBytes(File, Model);
        const TagLib::ByteVector Inserted(unsigned(Row.Insert), 'x');
        {
            TTagStream Stream(File, true);
            ASSERT_TRUE(Stream.isOpen() && !Stream.readOnly());
            Row.Remove ? Stream.removeBlock(Row.Start, Row.Replace)
                       : Stream.insert(Inserted, Row.Start, Row.Replace);
            Stream.Finish();
        }
        Model.erase(Model.begin() + long(Row.Start), Model.begin() + long(Row.Start + Row.Replace));
        Model.insert(Model.begin() + long(Row.Start), Row.Insert, 'x');
        EXPECT_TRUE(ReadFileBytes(File) == Model) << Row.Start << " " << Row.Replace << " " << Row.Insert;
    }
}

TEST(TagStream, ReadsWithoutWritingAndRaisesAFailedWrite) {
    TTempDir Dir;
    const std::string File = Dir.File("file.bin");
    WriteFileBytes(File, RandomBytes(100));
    TTagStream Reader(File, false);
    EXPECT_TRUE(Reader.readOnly());
    EXPECT_EQ(Reader.readBlock(200).size(), 100u);
    EXPECT_FALSE(TTagStream(Dir.File("missing"), true).isOpen());
    // A full disk shows once the buffered bytes go out.
    TTagStream Full("/dev/full", true);
    Full.writeBlock(TagLib::ByteVector(4096, 'x'));
    EXPECT_THROW(Full.Finish(), EFileError);
}

} // namespace
} // namespace deraz::test
