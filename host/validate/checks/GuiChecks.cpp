#include <algorithm>
#include <cfloat>

#include "Checks.h"
#include "EnumList.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"

namespace {

// A GUI object made beside its audio object, for opcodes the GUI object takes by itself.
struct GuiObject {
    explicit GuiObject(const std::string& path) : library(path), host(library) {
        host.CreateObjects();
    }
    ModuleLibrary library;
    ReferenceHost host;
};

void ExpectZeroForEdges(CheckContext& context, GuiSideHost& gui, int32_t opcode) {
    const std::vector<int32_t> edges = context.EdgeValues();
    for (const int32_t index : edges) {
        for (const int32_t value : edges) {
            for (const float opt : {0.0f, -1.0f, FLT_MAX}) {
                context.ExpectGui(gui, opcode, index, value, nullptr, opt, 0);
            }
        }
    }
}

bool FitsPin(const PinDescription& pin, int32_t value) {
    switch (pin.datatype) {
    case DT_BOOL:
        return value == 0 || value == 1;
    case DT_ENUM: {
        const std::vector<int32_t> choices = EnumList(pin.datatype_extra).Values();
        return std::find(choices.begin(), choices.end(), value) != choices.end() ||
               (choices.size() == 2 && pin.datatype_extra.compare(0, 5, "range") == 0 &&
                value >= choices[0] && value <= choices[1]);
    }
    case DT_FSAMPLE:
        return false;
    default:
        return true;
    }
}

}  // namespace

namespace GuiChecks {

void Initialise(CheckContext& context) {
    GuiObject object(context.LibraryPath());
    for (const int32_t index : context.EdgeValues()) {
        context.ExpectGui(object.host.Gui(), GUI_OP_INITIALISE, index, 0, nullptr, 0.0f, 0);
    }
    context.ExpectGui(object.host.Gui(), GUI_OP_INITIALISE, 2, 0, nullptr, 0.0f, 0);
}

void Close(CheckContext& context) {
    for (const bool initialised : {false, true}) {
        GuiObject object(context.LibraryPath());
        if (initialised) object.host.Gui().Initialise();
        const int32_t answer = object.host.CloseGuiObject();
        if (answer != 1) {
            context.FailCall(CheckContext::DescribeCall("GUI", GUI_OP_CLOSE, 0, 0, nullptr, 0) +
                                 (initialised ? " after initialise" : " before initialise"),
                             std::to_string(answer), "1");
        }
    }
}

void Hooks(CheckContext& context) {
    GuiObject object(context.LibraryPath());
    object.host.Gui().Initialise();
    for (const int32_t opcode :
         {GUI_OP_INDEX_PTR, GUI_OP_PAIR1, GUI_OP_PAIR2, GUI_OP_PAIR3, GUI_OP_VALUE_INDEX_PTR,
          GUI_OP_PTR1, GUI_OP_PTR2, GUI_OP_INDEX1, GUI_OP_INDEX2}) {
        ExpectZeroForEdges(context, object.host.Gui(), opcode);
    }
}

void Query(CheckContext& context) {
    GuiObject object(context.LibraryPath());
    for (const bool initialised : {false, true}) {
        if (initialised) object.host.Gui().Initialise();
        const int32_t answer = object.host.Gui().Dispatch(GUI_OP_QUERY, 0, 0, nullptr, 0.0f);
        if (answer != 0 && answer != 1) {
            context.FailCall(CheckContext::DescribeCall("GUI", GUI_OP_QUERY, 0, 0, nullptr, 0),
                             std::to_string(answer), "0 or 1");
        }
    }
}

void UnknownOpcodes(CheckContext& context) {
    GuiObject object(context.LibraryPath());
    object.host.Gui().Initialise();
    const int32_t drawn = static_cast<int32_t>(13 + context.NextRandom() % 0x7FFFFFF0u);
    for (const int32_t opcode : {13, 14, 100, -1, INT32_MIN, INT32_MAX, drawn}) {
        ExpectZeroForEdges(context, object.host.Gui(), opcode);
    }
}

void PinChanged(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start();
    const std::vector<PinDescription>& pins = session.Host().Audio().PinTable();
    for (size_t index = 0; index < pins.size(); ++index) {
        // The GUI object has no pin without a GUI side.
        if (pins[index].direction != DR_IN || (pins[index].flags & IO_UI_COMMUNICATION) == 0) {
            continue;
        }
        for (const int32_t value : ModuleSession::UserValues(pins[index], context)) {
            session.Host().Gui().SetPin(static_cast<int32_t>(index), value);
            // The host tells the object only of a change; a repeat of the notice must be
            // answered the same.
            context.ExpectGui(session.Host().Gui(), GUI_OP_PIN_CHANGED, static_cast<int32_t>(index),
                              0, nullptr, 0.0f, 0);
        }
    }
}

void PinAccess(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.RunTypical(context);
    ReferenceHost& host = session.Host();
    context.FailOnRule(host, "pins-in-table");
    context.FailOnRule(host, "reads-into-buffer");
    context.FailOnRule(host, "own-record");
    context.FailOnRule(host, "known-record");
    const std::vector<PinDescription>& pins = host.Audio().PinTable();
    for (const PinWrite& write : host.Gui().Writes()) {
        // A pointer write hands the pin no value to fit.
        if (write.by_pointer || write.pin < 0 || static_cast<size_t>(write.pin) >= pins.size()) {
            continue;
        }
        const PinDescription& pin = pins[static_cast<size_t>(write.pin)];
        if (!FitsPin(pin, write.value)) {
            context.Fail("GUIHOST_OP_WRITE_PIN_VALUE of " + std::to_string(write.value) +
                         " to pin " + std::to_string(write.pin) + " (" + pin.name +
                         "), which takes no such value");
        }
    }
}

void NestingBounded(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    // Under a host that reports only changes, and under one that reports every write, the
    // object's own included: a module that writes again on every notice recurses there.
    for (const bool every_write : {false, true}) {
        ModuleSession session(library);
        session.Host().CreateObjects();
        session.Host().Gui().ReportEveryWrite(every_write);
        session.RunTypical(context);
        const std::string when = every_write ? ", every write reported" : "";
        context.FailOnRule(session.Host(), "fan-out-bounded", when);
        context.FailOnRule(session.Host(), "nesting-bounded", when);
    }
}

void WriteDatatypes(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.RunTypical(context);
    context.FailOnRule(session.Host(), "writes-in-type");
    context.WarnOnRule(session.Host(), "host-opcodes-known");
}

void CallsInItsCalls(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.RunTypical(context);
    session.PlayEverySignal(context);
    context.FailOnRule(session.Host(), "gui-calls-in-its-calls");
}

}  // namespace GuiChecks
