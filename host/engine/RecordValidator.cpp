#include "RecordValidator.h"

#include <cstdio>
#include <string>

namespace {

std::string Hex(uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(word));
    return text;
}

void CheckWords(const char* side, uint32_t magic, uint32_t expected_magic, int32_t version,
                const void* object, bool has_dispatcher) {
    const std::string bad = std::string("bad ") + side + " record: ";
    if (magic != expected_magic) {
        throw RecordValidator::Refused(bad + "magic " + Hex(magic) + ", expected " + Hex(expected_magic));
    }
    if (version != 1) throw RecordValidator::Refused(bad + "version " + std::to_string(version) + ", expected 1");
    if (object == nullptr) throw RecordValidator::Refused(bad + "null object");
    if (!has_dispatcher) throw RecordValidator::Refused(bad + "null dispatcher");
}

}  // namespace

AudioHostRecord* RecordValidator::CheckAudio(void* record) {
    if (record == nullptr) throw RecordValidator::Refused("bad audio record: null");
    auto* audio = static_cast<AudioHostRecord*>(record);
    CheckWords("audio", audio->magic, QV_AUDIO_MAGIC, audio->version, audio->object,
               audio->dispatcher != nullptr);
    return audio;
}

GuiHostRecord* RecordValidator::CheckGui(void* record) {
    if (record == nullptr) throw RecordValidator::Refused("bad GUI record: null");
    auto* gui = static_cast<GuiHostRecord*>(record);
    CheckWords("GUI", gui->magic, QV_GUI_MAGIC, gui->version, gui->object,
               gui->dispatcher != nullptr);
    return gui;
}
