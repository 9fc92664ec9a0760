// The check functions, one group per source file; CheckTable lists them.
#ifndef QVHOST_VALIDATE_CHECKS_H
#define QVHOST_VALIDATE_CHECKS_H

#include "CheckContext.h"

namespace LibraryChecks {
void Exports(CheckContext& context);
void ReloadCycles(CheckContext& context);
}  // namespace LibraryChecks

namespace PropertiesChecks {
void IndexZero(CheckContext& context);
void HostWord(CheckContext& context);
void OtherIndex(CheckContext& context);
}  // namespace PropertiesChecks

namespace FactoryChecks {
void UnknownIndex(CheckContext& context);
void UnknownKind(CheckContext& context);
void DistinctRecords(CheckContext& context);
void ObjectsAliveTogether(CheckContext& context);
}  // namespace FactoryChecks

namespace RecordChecks {
void AudioRecord(CheckContext& context);
void GuiRecord(CheckContext& context);
void AudioRecordStable(CheckContext& context);
void GuiRecordStable(CheckContext& context);
}  // namespace RecordChecks

namespace AudioDispatcherChecks {
void Open(CheckContext& context);
void Close(CheckContext& context);
void SampleRate(CheckContext& context);
void BlockSize(CheckContext& context);
void UnusedOpcodes(CheckContext& context);
void Notify(CheckContext& context);
void Message(CheckContext& context);
void ProcessFunction(CheckContext& context);
void UnknownOpcodes(CheckContext& context);
}  // namespace AudioDispatcherChecks

namespace PinChecks {
void ListEnds(CheckContext& context);
void Names(CheckContext& context);
void Codes(CheckContext& context);
void PatchStore(CheckContext& context);
void Enumerations(CheckContext& context);
void SameAfterOpen(CheckContext& context);
void PastEnd(CheckContext& context);
void ValuesSettable(CheckContext& context);
void VariablesApart(CheckContext& context);
void TextsInLibrary(CheckContext& context);
}  // namespace PinChecks

namespace PlayChecks {
void ValuePins(CheckContext& context);
void SampleInputs(CheckContext& context);
void BlocksAndRates(CheckContext& context);
void ValuesBlocksRates(CheckContext& context);
void ClockWrap(CheckContext& context);
void RepeatedPins(CheckContext& context);
void StoredValues(CheckContext& context);
void Threads(CheckContext& context);
}  // namespace PlayChecks

namespace ObjectChecks {
void SideBySide(CheckContext& context);
void OneClosed(CheckContext& context);
}  // namespace ObjectChecks

namespace ProcessChecks {
void EntrySet(CheckContext& context);
void BlockSizes(CheckContext& context);
void EntryNotified(CheckContext& context);
void PinBuffers(CheckContext& context);
void NoAllocation(CheckContext& context);
void BufferBounds(CheckContext& context);
void OutputsFinite(CheckContext& context);
void PinMessages(CheckContext& context);
void StaticOutputs(CheckContext& context);
}  // namespace ProcessChecks

namespace EventChecks {
void OnTime(CheckContext& context);
void NotInPast(CheckContext& context);
void PerClockLimit(CheckContext& context);
void HostEvents(CheckContext& context);
}  // namespace EventChecks

namespace GuiChecks {
void Initialise(CheckContext& context);
void Close(CheckContext& context);
void Hooks(CheckContext& context);
void Query(CheckContext& context);
void UnknownOpcodes(CheckContext& context);
void PinChanged(CheckContext& context);
void PinAccess(CheckContext& context);
void NestingBounded(CheckContext& context);
void WriteDatatypes(CheckContext& context);
void CallsInItsCalls(CheckContext& context);
}  // namespace GuiChecks

namespace LifecycleChecks {
void AudioMemory(CheckContext& context);
void GuiMemory(CheckContext& context);
void PerAction(CheckContext& context);
void CloseOrder(CheckContext& context);
}  // namespace LifecycleChecks

namespace InvariantChecks {
void BlockSizes(CheckContext& context);
void SetupOrder(CheckContext& context);
}  // namespace InvariantChecks

namespace RealTimeChecks {
void Cost(CheckContext& context);
}  // namespace RealTimeChecks

namespace TailChecks {
void SilentTail(CheckContext& context);
}  // namespace TailChecks

#endif
