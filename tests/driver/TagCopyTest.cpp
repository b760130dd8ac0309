// The tag copier on files it cannot use: reading gives nothing, writing raises.
#include <gtest/gtest.h>

#include "driver/TagCopy.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

TEST(TagCopy, UnusableFilesGiveNoTagsAndRefuseThem) {
    test::TTempDir Dir;
    std::string Text = "not audio at all, only text";
    TTagSet Tags;
    Tags.Fields["TITLE"] = {"Title"};
    for (const char* Ext : {".ogg", ".flac", ".ape", ".wav", ".xyz"}) {
        std::string Junk = Dir.File(std::string("junk") + Ext);
        test::WriteFileBytes(Junk, {Text.begin(), Text.end()});
        EXPECT_TRUE(ReadTags(Junk).Empty()) << Ext;
        EXPECT_TRUE(ReadTags(Dir.File(std::string("missing") + Ext)).Empty()) << Ext;
        EXPECT_THROW(WriteTags(Junk, Ext, Tags), std::runtime_error) << Ext;
        EXPECT_THROW(WriteTags(Dir.File("missing.part"), Ext, Tags), std::runtime_error) << Ext;
        // A refused write leaves the file as it was.
        auto Bytes = test::ReadFileBytes(Junk);
        EXPECT_EQ(std::string(Bytes.begin(), Bytes.end()), Text) << Ext;
    }
}

} // namespace
} // namespace deraz
