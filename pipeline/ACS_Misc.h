// A source that plays several sources one after another as one continuous stream.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "pipeline/ACS_Classes.h"

namespace deraz {

// One entry of an input list: the source it plays.
class TInputItem {
public:
    TACSInput* Input() const { return FInput; }
    void SetInput(TACSInput* Value) { FInput = Value; }

private:
    TACSInput* FInput = nullptr;
};

// The items of an input list, in playing order.
class TInputItems {
public:
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    TInputItem& Add();
    TInputItem& operator[](int32_t Index) { return *FItems.at(static_cast<size_t>(Index)); }
    const TInputItem& operator[](int32_t Index) const { return *FItems.at(static_cast<size_t>(Index)); }
    void Clear() { FItems.clear(); }
    // Replaces the items with copies of Source's.
    void Assign(const TInputItems& Source);

private:
    std::vector<std::unique_ptr<TInputItem>> FItems;
};

// Index refers to the item about to be played and may be changed; Continue false ends the stream.
using TInputChangedEvent = std::function<void(TComponent* Sender, int32_t& Index, bool& Continue)>;

class TInputList : public TACSInput {
public:
    using TACSInput::TACSInput;

    TInputItems& InputItems() { return FInputItems; }
    void SetInputItems(const TInputItems& Value) { FInputItems.Assign(Value); }
    // With IndicateProgress, Size and Position follow the current item, so a sink's progress runs
    // from 0 to 100 once per item; without it Size is -1.
    bool IndicateProgress() const { return FIndicateProgress; }
    void SetIndicateProgress(bool Value) { FIndicateProgress = Value; }
    int32_t CurrentInput() const { return FCurrentInput; }

    TInputChangedEvent OnInputChanged;

    int32_t BitsPerSample() override;
    int32_t Channels() override;
    int32_t SampleRate() override;
    int32_t GetData(void* Buffer, int32_t BufferSize) override;
    void Init() override;
    void Flush() override;

private:
    // The source of the item at Index; raises when the item has none.
    TACSInput* ItemInput(int32_t Index);
    // Starts reading the item at FCurrentInput.
    void StartCurrent();
    // The source whose format the list reports: the current one while busy, else the first.
    TACSInput* FormatSource();

    TInputItems FInputItems;
    bool FIndicateProgress = true;
    int32_t FCurrentInput = 0;
    TSpinFlag FDataLock;
};

} // namespace deraz
