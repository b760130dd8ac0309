#include "codecs/wave/ImaAdpcm.h"

#include <algorithm>
#include <array>
#include <climits>

#include "platform/ByteOrder.h"

namespace deraz::ima {

namespace {

constexpr std::array<int32_t, 16> IndexTable{-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

// Everything one nibble does to a channel, by row (step index × 16) + nibble: the signed
// difference added to the predictor and the row of the next step index.
struct TExpandTable {
    std::array<int32_t, 16 * (MaxStepIndex + 1)> Difference{};
    std::array<uint16_t, 16 * (MaxStepIndex + 1)> NextRow{};
};

constexpr TExpandTable MakeExpandTable() {
    TExpandTable Table;
    for (int32_t Index = 0; Index <= MaxStepIndex; ++Index) {
        int32_t Step = StepTable[size_t(Index)];
        for (int32_t Nibble = 0; Nibble < 16; ++Nibble) {
            int32_t Difference = Step >> 3;
            if (Nibble & 4) Difference += Step;
            if (Nibble & 2) Difference += Step >> 1;
            if (Nibble & 1) Difference += Step >> 2;
            size_t Entry = size_t(Index * 16 + Nibble);
            Table.Difference[Entry] = (Nibble & 8) ? -Difference : Difference;
            Table.NextRow[Entry] =
                uint16_t(std::clamp(Index + IndexTable[size_t(Nibble)], 0, MaxStepIndex) * 16);
        }
    }
    return Table;
}

constexpr TExpandTable Expand = MakeExpandTable();

// Applies one nibble to a channel's predictor and row; the predictor is the decoded sample.
inline int16_t ExpandNibble(int32_t& Predictor, int32_t& Row, uint32_t Nibble) {
    uint32_t Entry = uint32_t(Row) + Nibble;
    Predictor = std::clamp(Predictor + Expand.Difference[Entry], -32767, 32767);
    Row = Expand.NextRow[Entry];
    return int16_t(Predictor);
}

// For each step index, the magnitudes at and above which the nibble's magnitude bits reach
// 1 … 7. Subtracting step, step / 2 and step / 4 from the difference in turn, as the nibble's bits
// say, gives the same bits as counting the thresholds the difference reaches; the count needs no
// chain of dependent comparisons.
constexpr std::array<std::array<int32_t, 8>, MaxStepIndex + 1> MakeThresholds() {
    std::array<std::array<int32_t, 8>, MaxStepIndex + 1> Table{};
    for (size_t Index = 0; Index < Table.size(); ++Index) {
        int32_t S = StepTable[Index];
        Table[Index] = {S >> 2,       S >> 1,       (S >> 1) + (S >> 2),     S,
                        S + (S >> 2), S + (S >> 1), S + (S >> 1) + (S >> 2), INT32_MAX};
    }
    return Table;
}

constexpr auto Thresholds = MakeThresholds();

// Chooses the nibble for Sample, then moves the predictor exactly as the decoder will.
inline uint32_t QuantizeSample(int32_t& Predictor, int32_t& Row, int32_t Sample) {
    const std::array<int32_t, 8>& Limits = Thresholds[size_t(Row >> 4)];
    int32_t Difference = Sample - Predictor;
    int32_t Magnitude = Difference < 0 ? -Difference : Difference;
    uint32_t Nibble = Difference < 0 ? 8 : 0;
    for (int32_t Limit : Limits) Nibble += Magnitude >= Limit;
    ExpandNibble(Predictor, Row, Nibble);
    return Nibble;
}

// Decodes Bytes data bytes of one channel, low nibble first, into every Stride-th sample of Out.
template <int Stride> void DecodeBytes(const uint8_t* In, int32_t Bytes, TChannelState& State, int16_t* Out) {
    int32_t Predictor = State.Predictor, Row = State.StepIndex;
    for (int32_t I = 0; I < Bytes; ++I) {
        uint32_t Byte = In[I];
        Out[0] = ExpandNibble(Predictor, Row, Byte & 15);
        Out[Stride] = ExpandNibble(Predictor, Row, Byte >> 4);
        Out += 2 * Stride;
    }
    State.Predictor = Predictor;
    State.StepIndex = Row;
}

template <int Stride> void EncodeBytes(const int16_t* In, int32_t Bytes, TChannelState& State, uint8_t* Out) {
    int32_t Predictor = State.Predictor, Row = State.StepIndex;
    for (int32_t I = 0; I < Bytes; ++I) {
        uint32_t Low = QuantizeSample(Predictor, Row, In[0]);
        uint32_t High = QuantizeSample(Predictor, Row, In[Stride]);
        Out[I] = uint8_t(Low | (High << 4));
        In += 2 * Stride;
    }
    State.Predictor = Predictor;
    State.StepIndex = Row;
}

} // namespace

bool DecodeBlock(const uint8_t* Block, int32_t BlockAlign, int32_t Channels, int16_t* Out) {
    // Within a block the channel states hold the step index as a table row (index × 16).
    TChannelState State[2];
    for (int32_t Channel = 0; Channel < Channels; ++Channel) {
        const uint8_t* Header = Block + 4 * Channel;
        if (Header[2] > MaxStepIndex) return false;
        State[Channel].Predictor = int16_t(LittleEndian16(Header));
        State[Channel].StepIndex = Header[2] * 16;
        Out[Channel] = int16_t(State[Channel].Predictor);
    }
    const uint8_t* Data = Block + 4 * Channels;
    if (Channels == 1) {
        DecodeBytes<1>(Data, BlockAlign - 4, State[0], Out + 1);
        return true;
    }
    for (int32_t Group = 0; Group < (BlockAlign - 8) / 8; ++Group) {
        DecodeBytes<2>(Data + 8 * Group, 4, State[0], Out + 2 + 16 * Group);
        DecodeBytes<2>(Data + 8 * Group + 4, 4, State[1], Out + 3 + 16 * Group);
    }
    return true;
}

void EncodeBlock(const int16_t* In, int32_t BlockSize, int32_t Channels, TChannelState* State,
                 uint8_t* Block) {
    TChannelState Work[2];
    for (int32_t Channel = 0; Channel < Channels; ++Channel) {
        uint8_t* Header = Block + 4 * Channel;
        int32_t First = In[Channel];
        Header[0] = uint8_t(First);
        Header[1] = uint8_t(First >> 8);
        Header[2] = uint8_t(State[Channel].StepIndex);
        Header[3] = 0;
        Work[Channel] = {First, State[Channel].StepIndex * 16};
    }
    uint8_t* Data = Block + 4 * Channels;
    if (Channels == 1) {
        EncodeBytes<1>(In + 1, BlockSize - 4, Work[0], Data);
    } else {
        for (int32_t Group = 0; Group < (BlockSize - 8) / 8; ++Group) {
            EncodeBytes<2>(In + 2 + 16 * Group, 4, Work[0], Data + 8 * Group);
            EncodeBytes<2>(In + 3 + 16 * Group, 4, Work[1], Data + 8 * Group + 4);
        }
    }
    for (int32_t Channel = 0; Channel < Channels; ++Channel)
        State[Channel] = {Work[Channel].Predictor, Work[Channel].StepIndex / 16};
}

} // namespace deraz::ima
