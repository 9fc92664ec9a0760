#include "Module.h"
#include "QVPin.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct PinRowCase {
    int32_t index;
    const char* name;
    int32_t direction;
    int32_t datatype;
};

const PinRowCase kPinRows[] = {
    {0, "Modes", DR_IN, DT_ENUM},  {1, "Trigger", DR_IN, DT_BOOL}, {2, "Lolimit", DR_IN, DT_INT},
    {3, "Hilimit", DR_IN, DT_INT}, {4, "Out1", DR_OUT, DT_INT},    {5, "Out2", DR_OUT, DT_INT},
};

// A record the caller filled with recognisable values, to see what GetPinProperties leaves.
QVPinProperties MarkedRecord() {
    static int variable;
    static const char aux[] = "aux";
    static const char extra[] = "extra";
    QVPinProperties props;
    props.variable_address = &variable;
    props.direction = 77;
    props.datatype = 77;
    props.name = aux;
    props.aux_text = aux;
    props.datatype_extra = extra;
    props.flags = 0xFFFFFFFFu;
    props.spare = 0xABCD;
    return props;
}

}  // namespace

TEST(Module, PinTableDescribesEachPinAndLeavesTheCallersOtherFields) {
    RecordingHost host;
    Module module(&RecordingHost::Callback, 0);
    for (const PinRowCase& row : kPinRows) {
        QVPinProperties props = MarkedRecord();
        const QVPinProperties before = props;
        ASSERT_TRUE(module.GetPinProperties(row.index, &props)) << row.index;
        EXPECT_STREQ(props.name, row.name);
        EXPECT_EQ(props.direction, row.direction) << row.name;
        EXPECT_EQ(props.datatype, row.datatype) << row.name;
        EXPECT_EQ(props.flags, IO_UI_COMMUNICATION) << row.name;
        EXPECT_EQ(props.variable_address, before.variable_address) << row.name;
        EXPECT_EQ(props.aux_text, before.aux_text) << row.name;
        EXPECT_EQ(props.spare, before.spare) << row.name;
        if (row.index == 0) {
            EXPECT_STREQ(props.datatype_extra, "Normal,Differ,Sum");
        } else {
            EXPECT_EQ(props.datatype_extra, before.datatype_extra) << row.name;
        }
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST(Module, IndicesOutsideTheTableAnswerFalseAndWriteNothing) {
    Module module(nullptr, 0);
    for (int32_t index : {6, -1, 1000, INT32_MIN}) {
        QVPinProperties props = MarkedRecord();
        const QVPinProperties before = props;
        EXPECT_FALSE(module.GetPinProperties(index, &props)) << index;
        EXPECT_EQ(std::memcmp(&props, &before, sizeof props), 0) << index;
    }
}

TEST(Module, EveryDescriptionPassesTheHostsPatchStoreCheckThroughTheDispatcher) {
    Module module(nullptr, 0);
    AudioHostRecord* record = module.HostRecord();
    for (int32_t index = 0; index < 6; ++index) {
        QVPinProperties props{};
        EXPECT_EQ(record->dispatcher(record, MOD_OP_GET_PIN_PROPERTIES, index, 0, &props, 0.0f), 1);
    }
    QVPinProperties props{};
    EXPECT_EQ(record->dispatcher(record, MOD_OP_GET_PIN_PROPERTIES, 6, 0, &props, 0.0f), 0);
}

TEST(Module, OpenInstallsTheIdleProcessOnceAndBindsNoAudioPin) {
    RecordingHost host;
    host.pin_count = 6;
    auto* module = new Module(&RecordingHost::Callback, 0);
    AudioHostRecord* record = module->HostRecord();
    const ProcessFn empty = record->process;

    EXPECT_EQ(record->dispatcher(record, MOD_OP_OPEN, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{HOST_OP_PROCESS_CHANGED, HOST_OP_PIN_COUNT}));
    EXPECT_NE(record->process, empty);
    EXPECT_TRUE(module->GetProcessFunction() ==
                static_cast<QVModule_base::ProcessFunction>(&Module::ProcessIdle));

    // Installing the same function again is no change the host needs to hear of.
    host.calls.clear();
    module->SetProcessFunction(static_cast<QVModule_base::ProcessFunction>(&Module::ProcessIdle));
    EXPECT_TRUE(host.calls.empty());

    // Six user-interface pins: the host counted six, but none is bound to an audio-side pin.
    for (int32_t index = 0; index < 6; ++index)
        EXPECT_EQ(module->GetPin(index)->GetModule(), nullptr) << index;
    EXPECT_EQ(record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
}

TEST(Module, EachProcessCallThroughTheRecordSendsOneSleep) {
    RecordingHost host;
    auto* module = new Module(&RecordingHost::Callback, 0);
    AudioHostRecord* record = module->HostRecord();
    record->dispatcher(record, MOD_OP_OPEN, 0, 0, nullptr, 0.0f);
    host.calls.clear();

    for (int call = 0; call < 3; ++call) record->process(record->object, call * 64, 64);

    ASSERT_EQ(host.calls.size(), 3u);
    for (const HostCall& call : host.calls) {
        EXPECT_EQ(call.record, record);
        EXPECT_EQ(call.opcode, HOST_OP_SLEEP);
        EXPECT_EQ(call.index, 0);
        EXPECT_EQ(call.value, 0);
        EXPECT_EQ(call.ptr, nullptr);
        EXPECT_EQ(call.opt, 0.0f);
    }
    record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
}
