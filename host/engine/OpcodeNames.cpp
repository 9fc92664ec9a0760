#include "OpcodeNames.h"

#include <map>

#include "QVHostTypes.h"

namespace {

using NameTable = std::map<int32_t, const char*>;

const NameTable& TableFor(const std::string& side) {
    static const NameTable audio{{MOD_OP_OPEN, "MOD_OP_OPEN"},
                                 {MOD_OP_CLOSE, "MOD_OP_CLOSE"},
                                 {MOD_OP_SAMPLE_RATE, "MOD_OP_SAMPLE_RATE"},
                                 {MOD_OP_BLOCK_SIZE, "MOD_OP_BLOCK_SIZE"},
                                 {MOD_OP_GET_PIN_PROPERTIES, "MOD_OP_GET_PIN_PROPERTIES"},
                                 {MOD_OP_FORBIDDEN_7, "MOD_OP_FORBIDDEN_7"},
                                 {MOD_OP_NOTIFY, "MOD_OP_NOTIFY"},
                                 {MOD_OP_FORBIDDEN_10, "MOD_OP_FORBIDDEN_10"},
                                 {MOD_OP_MESSAGE, "MOD_OP_MESSAGE"},
                                 {MOD_OP_GET_PROCESS_FUNCTION, "MOD_OP_GET_PROCESS_FUNCTION"}};
    static const NameTable audio_host{{HOST_OP_PIN_VALUE, "HOST_OP_PIN_VALUE"},
                                      {HOST_OP_QUERY_PIN, "HOST_OP_QUERY_PIN"},
                                      {HOST_OP_SAMPLE_CLOCK, "HOST_OP_SAMPLE_CLOCK"},
                                      {HOST_OP_STATUS_CHANGE, "HOST_OP_STATUS_CHANGE"},
                                      {HOST_OP_PIN_BUFFER, "HOST_OP_PIN_BUFFER"},
                                      {HOST_OP_BUFFER_BASE_CLOCK, "HOST_OP_BUFFER_BASE_CLOCK"},
                                      {HOST_OP_SLEEP, "HOST_OP_SLEEP"},
                                      {HOST_OP_PIN_COUNT, "HOST_OP_PIN_COUNT"},
                                      {HOST_OP_ADD_EVENT, "HOST_OP_ADD_EVENT"},
                                      {HOST_OP_PROCESS_CHANGED, "HOST_OP_PROCESS_CHANGED"}};
    static const NameTable gui{{GUI_OP_INITIALISE, "GUI_OP_INITIALISE"},
                               {GUI_OP_CLOSE, "GUI_OP_CLOSE"},
                               {GUI_OP_INDEX_PTR, "GUI_OP_INDEX_PTR"},
                               {GUI_OP_PAIR1, "GUI_OP_PAIR1"},
                               {GUI_OP_PAIR2, "GUI_OP_PAIR2"},
                               {GUI_OP_PAIR3, "GUI_OP_PAIR3"},
                               {GUI_OP_VALUE_INDEX_PTR, "GUI_OP_VALUE_INDEX_PTR"},
                               {GUI_OP_PIN_CHANGED, "GUI_OP_PIN_CHANGED"},
                               {GUI_OP_PTR1, "GUI_OP_PTR1"},
                               {GUI_OP_PTR2, "GUI_OP_PTR2"},
                               {GUI_OP_QUERY, "GUI_OP_QUERY"},
                               {GUI_OP_INDEX1, "GUI_OP_INDEX1"},
                               {GUI_OP_INDEX2, "GUI_OP_INDEX2"}};
    static const NameTable gui_host{
        {GUIHOST_OP_WRITE_PIN_PTR, "GUIHOST_OP_WRITE_PIN_PTR"},
        {GUIHOST_OP_READ_PIN_TEXT, "GUIHOST_OP_READ_PIN_TEXT"},
        {GUIHOST_OP_CALL8, "GUIHOST_OP_CALL8"},
        {GUIHOST_OP_READ_PIN_VALUE, "GUIHOST_OP_READ_PIN_VALUE"},
        {GUIHOST_OP_WRITE_PIN_VALUE, "GUIHOST_OP_WRITE_PIN_VALUE"},
        {GUIHOST_OP_READ_PIN_WIDE_TEXT, "GUIHOST_OP_READ_PIN_WIDE_TEXT"},
        {GUIHOST_OP_CALL18, "GUIHOST_OP_CALL18"},
        {GUIHOST_OP_CALL19, "GUIHOST_OP_CALL19"},
        {GUIHOST_OP_QUERY20, "GUIHOST_OP_QUERY20"}};
    static const NameTable none;
    if (side == "audio") return audio;
    if (side == "audio host") return audio_host;
    if (side == "GUI") return gui;
    if (side == "GUI host") return gui_host;
    return none;
}

}  // namespace

std::string OpcodeNames::Name(const std::string& side, int32_t opcode) {
    const char* name = Find(side, opcode);
    return name != nullptr ? name : "opcode " + std::to_string(opcode);
}

const char* OpcodeNames::Find(const std::string& side, int32_t opcode) {
    const NameTable& table = TableFor(side);
    const auto found = table.find(opcode);
    return found != table.end() ? found->second : nullptr;
}
