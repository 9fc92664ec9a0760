#include "RecordValidator.h"

#include "HostError.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {
QVWord QV_CDECL AnyAudioDispatcher(AudioHostRecord*, int32_t, int32_t, int32_t, void*, float) {
    return 0;
}
int32_t QV_CDECL AnyGuiDispatcher(GuiHostRecord*, int32_t, int32_t, int32_t, void*, float) {
    return 0;
}

std::string Refusal(const std::function<void()>& check) {
    try {
        check();
    } catch (const HostError& error) {
        return error.what();
    }
    return "accepted";
}
}  // namespace

TEST(RecordValidator, RefusesEachBrokenAudioRecordNamingTheFault) {
    struct Case {
        std::function<void(AudioHostRecord&)> breakIt;
        const char* message;
    };
    const Case cases[] = {
        {[](AudioHostRecord&) {}, "accepted"},
        {[](AudioHostRecord& r) { r.magic = QV_GUI_MAGIC; },
         "bad audio record: magic 0x5156504D, expected 0x5156504C"},
        {[](AudioHostRecord& r) { r.version = 0; }, "bad audio record: version 0, expected 1"},
        {[](AudioHostRecord& r) { r.object = nullptr; }, "bad audio record: null object"},
        {[](AudioHostRecord& r) { r.dispatcher = nullptr; }, "bad audio record: null dispatcher"}};
    for (const Case& c : cases) {
        AudioHostRecord record{};
        record = {QV_AUDIO_MAGIC, 1, 7, &record, 0, &AnyAudioDispatcher, nullptr, nullptr, {}};
        c.breakIt(record);
        EXPECT_EQ(Refusal([&] { RecordValidator::CheckAudio(&record); }), c.message);
    }
    EXPECT_EQ(Refusal([] { RecordValidator::CheckAudio(nullptr); }), "bad audio record: null");
}

TEST(RecordValidator, RefusesEachBrokenGuiRecordNamingTheFault) {
    struct Case {
        std::function<void(GuiHostRecord&)> breakIt;
        const char* message;
    };
    const Case cases[] = {
        {[](GuiHostRecord&) {}, "accepted"},
        {[](GuiHostRecord& r) { r.magic = QV_AUDIO_MAGIC; },
         "bad GUI record: magic 0x5156504C, expected 0x5156504D"},
        {[](GuiHostRecord& r) { r.version = 2; }, "bad GUI record: version 2, expected 1"},
        {[](GuiHostRecord& r) { r.object = nullptr; }, "bad GUI record: null object"},
        {[](GuiHostRecord& r) { r.dispatcher = nullptr; }, "bad GUI record: null dispatcher"}};
    for (const Case& c : cases) {
        GuiHostRecord record{};
        record = {QV_GUI_MAGIC, 1, &AnyGuiDispatcher, 7, &record, {}};
        c.breakIt(record);
        EXPECT_EQ(Refusal([&] { RecordValidator::CheckGui(&record); }), c.message);
    }
    EXPECT_EQ(Refusal([] { RecordValidator::CheckGui(nullptr); }), "bad GUI record: null");
}
