/* Hosts may be written in C: the host-facing header must compile as C, with the same 32-bit
   layouts that its static_asserts check for C++. */
#include "QVHostTypes.h"

int32_t QVHostTypesCheckFromC(struct GuiHostRecord* gui, struct AudioHostRecord* audio) {
    struct TimedEvent event = {0, EVENT_CALL_MEMBER, 0, 0, 0, 0};
    struct QVPinProperties props = {0, DR_IN, DT_INT, 0, 0, 0, IO_UI_COMMUNICATION, 0};
    audio->event_handler(audio->object, &event);
    return gui->dispatcher(gui, GUI_OP_QUERY, props.datatype, 0, 0, 0.0f);
}
