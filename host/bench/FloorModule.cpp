#include "FloorModule.h"

namespace {

struct FloorAudioObject {
    AudioHostRecord record;
    HostCallback callback;
    void* answer_as;
};

struct FloorGuiObject {
    GuiHostRecord record;
    HostCallback callback;
    void* answer_as;
};

QVWord QV_CDECL AudioDispatcher(AudioHostRecord* record, int32_t opcode, int32_t, int32_t, void*,
                                float) {
    auto* object = static_cast<FloorAudioObject*>(record->object);
    if (opcode == MOD_OP_CLOSE) {
        delete object;
        return 1;
    }
    object->callback(object->answer_as, HOST_OP_PIN_COUNT, 0, 0, nullptr, 0.0f);
    return 0;
}

void QV_CDECL Process(void* object, int32_t, int32_t) {
    auto* floor = static_cast<FloorAudioObject*>(object);
    floor->callback(floor->answer_as, HOST_OP_SLEEP, 0, 0, nullptr, 0.0f);
}

void QV_CDECL DropEvent(void*, TimedEvent*) {}

int32_t QV_CDECL GuiDispatcher(GuiHostRecord* record, int32_t opcode, int32_t index, int32_t, void*,
                               float) {
    auto* object = static_cast<FloorGuiObject*>(record->object);
    if (opcode == GUI_OP_CLOSE) {
        delete object;
        return 1;
    }
    int32_t value = 0;
    object->callback(object->answer_as, GUIHOST_OP_READ_PIN_VALUE, index, 0, &value, 0.0f);
    return 0;
}

}  // namespace

void* FloorModule::Make(int32_t kind, HostCallback callback, uint32_t host_handle,
                        void* answer_as) {
    if (kind == QV_KIND_AUDIO) {
        auto* object = new FloorAudioObject{};
        object->record.magic = QV_AUDIO_MAGIC;
        object->record.version = 1;
        object->record.host_handle = host_handle;
        object->record.object = object;
        object->record.dispatcher = &AudioDispatcher;
        object->record.process = &Process;
        object->record.event_handler = &DropEvent;
        object->callback = callback;
        object->answer_as = answer_as != nullptr ? answer_as : &object->record;
        return &object->record;
    }
    if (kind == QV_KIND_GUI) {
        auto* object = new FloorGuiObject{};
        object->record.magic = QV_GUI_MAGIC;
        object->record.version = 1;
        object->record.dispatcher = &GuiDispatcher;
        object->record.host_handle = host_handle;
        object->record.object = object;
        object->callback = callback;
        object->answer_as = answer_as != nullptr ? answer_as : &object->record;
        return &object->record;
    }
    return nullptr;
}
