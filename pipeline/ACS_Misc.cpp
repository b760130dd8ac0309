#include "pipeline/ACS_Misc.h"

namespace deraz {

TInputItem& TInputItems::Add() {
    return *FItems.emplace_back(std::make_unique<TInputItem>());
}

void TInputItems::Assign(const TInputItems& Source) {
    if (&Source == this) return;
    FItems.clear();
    for (const auto& Item : Source.FItems) Add().SetInput(Item->Input());
}

TACSInput* TInputList::FormatSource() {
    if (FBusy) return FInputItems[FCurrentInput].Input();
    return FInputItems.Count() > 0 ? FInputItems[0].Input() : nullptr;
}

int32_t TInputList::BitsPerSample() {
    TACSInput* Source = FormatSource();
    return Source ? Source->BitsPerSample() : 0;
}

int32_t TInputList::Channels() {
    TACSInput* Source = FormatSource();
    return Source ? Source->Channels() : 0;
}

int32_t TInputList::SampleRate() {
    TACSInput* Source = FormatSource();
    return Source ? Source->SampleRate() : 0;
}

TACSInput* TInputList::ItemInput(int32_t Index) {
    TACSInput* Source = FInputItems[Index].Input();
    if (!Source) throw EACSException("No input assigned to the input item " + std::to_string(Index));
    return Source;
}

void TInputList::StartCurrent() {
    TACSInput* Source = ItemInput(FCurrentInput);
    Source->Init();
    FSize = FIndicateProgress ? Source->Size() : -1;
    FPosition = 0;
}

void TInputList::Init() {
    if (FBusy) throw EACSException("The component is buisy.");
    if (FInputItems.Count() == 0) throw EACSException("No input items in the list.");
    ItemInput(FCurrentInput);
    FBusy = true;
    StartCurrent();
}

int32_t TInputList::GetData(void* Buffer, int32_t BufferSize) {
    // An exception leaves the flag set until Flush; the sink's error handling flushes its input.
    FDataLock.Lock();
    TACSInput* Source = ItemInput(FCurrentInput);
    int32_t Count = Source->GetData(Buffer, BufferSize);
    while (Count == 0) {
        if (FCurrentInput >= FInputItems.Count() - 1) break;
        Source->Flush();
        ++FCurrentInput;
        bool Continue = true;
        int32_t Index = FCurrentInput;
        if (OnInputChanged) OnInputChanged(this, Index, Continue);
        FCurrentInput = Index;
        if (!Continue) break;
        // A handler may point past the end or back before the start: that ends the stream.
        if (FCurrentInput < 0 || FCurrentInput >= FInputItems.Count()) {
            FCurrentInput = FInputItems.Count() - 1;
            ItemInput(FCurrentInput)->Init();
            break;
        }
        StartCurrent();
        Source = FInputItems[FCurrentInput].Input();
        Count = Source->GetData(Buffer, BufferSize);
    }
    if (FIndicateProgress) FPosition = FInputItems[FCurrentInput].Input()->Position();
    FDataLock.Unlock();
    return Count;
}

void TInputList::Flush() {
    if (FInputItems.Count() > 0 && FCurrentInput < FInputItems.Count())
        if (TACSInput* Source = FInputItems[FCurrentInput].Input()) Source->Flush();
    FCurrentInput = 0;
    FDataLock.Unlock();
    FBusy = false;
}

} // namespace deraz
