#include <gtest/gtest.h>

#include "pipeline/ACS_Misc.h"
#include "tests/pipeline/PipelineDoubles.h"

namespace deraz::test {
namespace {

// Reads a source in chunks until it returns 0, so a 0 before the end shows as a short result.
std::vector<uint8_t> ReadAll(TACSInput& Source) {
    std::vector<uint8_t> Result;
    uint8_t Buffer[300];
    while (int32_t Count = Source.GetData(Buffer, sizeof Buffer))
        Result.insert(Result.end(), Buffer, Buffer + Count);
    return Result;
}

struct ThreeSources : ::testing::Test {
    TMemorySource A{std::vector<uint8_t>(1000, 'a'), 256};
    TMemorySource B{std::vector<uint8_t>(500, 'b'), 256};
    TMemorySource C{std::vector<uint8_t>(700, 'c'), 256};
    TInputList List;
    ThreeSources() {
        for (TACSInput* Source :
             {static_cast<TACSInput*>(&A), static_cast<TACSInput*>(&B), static_cast<TACSInput*>(&C)})
            List.InputItems().Add().SetInput(Source);
    }
    static std::string Text(const std::vector<uint8_t>& Bytes) {
        return std::string(Bytes.begin(), Bytes.end());
    }
};

TEST_F(ThreeSources, PlaysTheSourcesOneAfterAnotherAsOneStream) {
    List.Init();
    EXPECT_EQ(List.Size(), 1000);
    EXPECT_EQ(Text(ReadAll(List)), std::string(1000, 'a') + std::string(500, 'b') + std::string(700, 'c'))
        << "0 only at the very end";
    EXPECT_EQ(List.CurrentInput(), 2) << "stays on the last item until Flush";
    EXPECT_EQ(List.Position(), 700);
    uint8_t Byte;
    EXPECT_EQ(List.GetData(&Byte, 1), 0);
    List.Flush();
    EXPECT_EQ(List.CurrentInput(), 0);
    EXPECT_FALSE(A.Busy() || B.Busy() || C.Busy());
}

TEST_F(ThreeSources, AHandlerCanSkipItemsOrEndTheStream) {
    List.OnInputChanged = [](TComponent*, int32_t& Index, bool&) {
        if (Index == 1) Index = 2;
    };
    List.Init();
    EXPECT_EQ(Text(ReadAll(List)), std::string(1000, 'a') + std::string(700, 'c'));
    List.Flush();

    List.OnInputChanged = [](TComponent*, int32_t&, bool& Continue) { Continue = false; };
    List.Init();
    EXPECT_EQ(Text(ReadAll(List)), std::string(1000, 'a'));
    List.Flush();
    EXPECT_FALSE(A.Busy() || B.Busy() || C.Busy());
}

TEST_F(ThreeSources, WithoutIndicateProgressTheSizeIsUnknown) {
    List.SetIndicateProgress(false);
    List.Init();
    EXPECT_EQ(List.Size(), -1);
    List.Flush();
}

TEST(InputList, ReportsMissingItemsAndInputs) {
    TInputList List;
    auto Expect = [&](const char* Message) {
        try {
            List.Init();
            FAIL() << Message;
        } catch (const EACSException& E) {
            EXPECT_STREQ(E.what(), Message);
        }
    };
    Expect("No input items in the list.");
    List.InputItems().Add();
    Expect("No input assigned to the input item 0");

    TMemorySource Source(CountingBytes(10));
    List.InputItems()[0].SetInput(&Source);
    List.InputItems().Add();
    List.Init();
    Expect("The component is buisy.");
    uint8_t Buffer[16];
    EXPECT_EQ(List.GetData(Buffer, 16), 10);
    EXPECT_THROW(List.GetData(Buffer, 16), EACSException) << "the second item has no input";
    List.Flush();
}

TEST(InputList, DrivesASinkThroughItsItems) {
    TMemorySource First(CountingBytes(3000), 128);
    TMemorySource Second(CountingBytes(2000), 128);
    TInputList List;
    List.InputItems().Add().SetInput(&First);
    List.InputItems().Add().SetInput(&Second);
    TMemorySink Sink;
    Sink.SetInput(&List);
    ASSERT_EQ(RunAndWait(Sink), "");
    std::vector<uint8_t> Expected = CountingBytes(3000);
    auto Tail = CountingBytes(2000);
    Expected.insert(Expected.end(), Tail.begin(), Tail.end());
    EXPECT_EQ(Sink.Written, Expected);
}

} // namespace
} // namespace deraz::test
