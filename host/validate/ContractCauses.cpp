#include "ContractCauses.h"

const std::vector<ContractCause>& ContractCauses::All() {
    static const std::vector<ContractCause> table{
        {"m_pins != 0", "QVModule_base", 150,
         "an audio-side pin used before Open, or by a module the host gave no audio pins: does "
         "the module's Open call the base class's Open?"},
        {"index >= 0 && index < QVPin::ArrayCount(m_pins)", "QVModule_base", 151,
         "GetPin with an index past the audio-side pins: audio-side indices count only the "
         "descriptions that create a pin, not the table's positions"},
        {"(((QVPinProperties*)ptr)->flags & IO_PATCH_STORE) == 0 || "
         "(((QVPinProperties*)ptr)->flags & IO_PRIVATE) != 0 || "
         "((QVPinProperties*)ptr)->direction == DR_OUT || "
         "( ( (QVPinProperties*)ptr)->flags & IO_UI_COMMUNICATION) != 0",
         "QVModule_base", 80,
         "an input pin with IO_PATCH_STORE that is neither IO_PRIVATE nor IO_UI_COMMUNICATION"},
        {"false", "QVModule_base", 99, "the host sent opcode 7, which a host never sends"},
        {"false", "QVModule_base", 119, "the host sent opcode 10, which a host never sends"},
        {"fn != nullptr", "QVModule_base", 179,
         "SetProcessFunction(nullptr): a module with no work to do installs EmptyProcess"},
        {"process function needs no this-adjustment", "QVModule_base", 180,
         "SetProcessFunction with a member pointer that carries a this-adjustment: a member of a "
         "class whose QVModule_base is not its first base, or a pointer read from outside a "
         "table of process functions"},
        {"e->time_stamp == SampleClock()", "QVModule_base", 276,
         "an event handed over at another clock than its stamp: a host delivering late, or a "
         "module calling HandleEvent itself"},
        {"p_time_stamp >= SampleClock()", "QVModule_base", 340,
         "an event queued for a clock already past: take the stamp from SampleClock() when "
         "queueing, not from a clock kept from an earlier call"},
        {"member call needs no this-adjustment", "QVModule_base", 345,
         "QueueMemberCall with a member pointer that carries a this-adjustment: a member of a "
         "class whose QVModule_base is not its first base, or a pointer read from outside a "
         "table of members"},
        {"sampleclock >= m_module->SampleClock()", "QVPin", 77,
         "a status change sent for a clock already past: take the clock from SampleClock()"},
        {"m_datatype == DT_FSAMPLE", "QVPin", 125,
         "GetSample on a pin that is not DT_FSAMPLE: an audio-side index mixed up with a table "
         "position?"},
        {"m_datatype == DT_FSAMPLE", "QVPin", 140,
         "InputSamples or OutputSamples on a pin that is not DT_FSAMPLE"},
        {"m_datatype == DT_ENUM", "QVPin", 150,
         "GetEnum or SetEnum on a pin of another datatype: the variable is 16 bits only for DT_ENUM"},
        {"m_datatype == DT_BOOL", "QVPin", 151,
         "GetBool or SetBool on a pin of another datatype: the variable is 8 bits only for DT_BOOL"},
        {"m_datatype == DT_FLOAT", "QVPin", 152, "GetFloat or SetFloat on a pin that is not DT_FLOAT"},
        {"m_datatype == DT_INT", "QVPin", 153, "GetInt or SetInt on a pin that is not DT_INT"},
        {"qvaudioMaster", "QVGUI_base", 134,
         "the GUI object was made with a null host callback"},
        {"p != -1", "it_enum_list", 27,
         "a range text without a comma: write \"range LO,HI\""},
        {"!IsDone()", "it_enum_list.h", 21,
         "CurrentItem read after the walk ended: test IsDone() first"},
    };
    return table;
}

std::string ContractCauses::LikelyCause(const std::string& output) {
    for (const ContractCause& entry : All()) {
        const std::string report = std::string(entry.expression) + ", file " + entry.source +
                                   ", line " + std::to_string(entry.line);
        if (output.find(report) != std::string::npos) return entry.cause;
    }
    return std::string();
}
