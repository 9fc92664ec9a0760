#include "GuiModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <deque>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "RandomSource.h"
#include "RecordingHost.h"

namespace {
// Makes the generator answer from a script of r values while it lives. A draw beyond the script,
// or a script left unused, is a failure: it tells exactly how many draws a trigger made.
class ScriptedDraws {
public:
    explicit ScriptedDraws(std::vector<int32_t> script) {
        s_script.assign(script.begin(), script.end());
        m_replaced = RandomSource::ReplaceDraw(&ScriptedDraws::Draw);
    }
    ~ScriptedDraws() {
        RandomSource::ReplaceDraw(m_replaced);
        EXPECT_TRUE(s_script.empty()) << s_script.size() << " scripted draws left unused";
    }
    ScriptedDraws(const ScriptedDraws&) = delete;
    ScriptedDraws& operator=(const ScriptedDraws&) = delete;

private:
    static int32_t Draw() {
        if (s_script.empty()) {
            ADD_FAILURE() << "a draw beyond the script";
            return 0;
        }
        const int32_t r = s_script.front();
        s_script.pop_front();
        return r;
    }

    static std::deque<int32_t> s_script;
    RandomSource::Draw m_replaced;
};
std::deque<int32_t> ScriptedDraws::s_script;

struct Inputs {
    int32_t mode;
    int32_t trigger;
    int32_t lolimit;
    int32_t hilimit;
};

void SetInputs(RecordingHost& host, const Inputs& in) {
    host.pin_values[GuiModule::PIN_MODES] = in.mode;
    host.pin_values[GuiModule::PIN_TRIGGER] = in.trigger;
    host.pin_values[GuiModule::PIN_LOLIMIT] = in.lolimit;
    host.pin_values[GuiModule::PIN_HILIMIT] = in.hilimit;
}

int32_t Send(GuiModule& module, int32_t opcode, int32_t index) {
    return module.HostRecord()->dispatcher(module.HostRecord(), opcode, index, 0, nullptr, 0.0f);
}

std::vector<std::pair<int32_t, int32_t>> Writes(const RecordingHost& host) {
    std::vector<std::pair<int32_t, int32_t>> writes;
    for (const HostCall& call : host.CallsWith(GUIHOST_OP_WRITE_PIN_VALUE))
        writes.emplace_back(call.index, call.value);
    return writes;
}

std::vector<int32_t> PinsRead(const RecordingHost& host) {
    std::vector<int32_t> pins;
    for (const HostCall& call : host.CallsWith(GUIHOST_OP_READ_PIN_VALUE))
        pins.push_back(call.index);
    return pins;
}

const std::vector<int32_t> kInputPins = {0, 1, 2, 3};

// Hilimit INT32_MAX + 1, the upper bound of a draw at the top of the range.
constexpr int64_t kTwoTo31 = int64_t{INT32_MAX} + 1;

// The draw as the module has always made it, written out step by step: a 32-bit product, single
// precision, a double-precision quotient and sum, one rounding to single precision, truncation.
int64_t StraightforwardDraw(int32_t low, int64_t upper, int32_t r) {
    const int64_t product = (upper - low) * r;
    const float product_single = static_cast<float>(product);
    const float low_single = static_cast<float>(low);
    const double sum = static_cast<double>(product_single) / 32767.0 + low_single;
    const long double truncated = std::trunc(static_cast<long double>(static_cast<float>(sum)));
    return static_cast<int64_t>(
        std::min<long double>(std::max<long double>(truncated, INT32_MIN), INT32_MAX));
}

struct PairCase {
    const char* what;
    Inputs inputs;
    std::vector<int32_t> draws;
    int32_t out1;
    int32_t out2;
};

const PairCase kPairCases[] = {
    {"Normal, ends of the range", {0, 1, 0, 10}, {0, 32767}, 0, 11},
    {"Normal, middle", {0, 1, 0, 10}, {16384, 2979}, 5, 1},
    {"Normal, trigger other than 1 is true", {0, 7, 0, 10}, {2978, 2979}, 0, 1},
    {"Normal, swapped limits fall in 1..10", {0, 1, 10, 0}, {0, 32767}, 10, 1},
    {"Normal, swapped limits middle", {0, 1, 10, 0}, {16384, 16383}, 5, 5},
    {"Normal, negative range truncates toward zero", {0, 1, -3, 3}, {14042, 0}, 0, -3},
    {"Normal, Hilimit INT32_MAX reaches it", {0, 1, 0, INT32_MAX}, {0, 32767}, 0, INT32_MAX},
    {"Differ, different second draw stands", {1, 1, 0, 10}, {0, 16384}, 0, 5},
    {"Differ, equal second draw is retried once", {1, 1, 0, 10}, {0, 0, 32767}, 0, 11},
    {"Differ, third draw stands though equal", {1, 1, 5, 5}, {0, 0, 0}, 5, 5},
    {"Differ, equal limits give 6 for r 32767", {1, 1, 5, 5}, {100, 200, 32767}, 5, 6},
    {"Sum, complement to Hilimit", {2, 1, 0, 10}, {16384}, 5, 5},
    {"Sum, r 32767 gives 11 and -1", {2, 1, 0, 10}, {32767}, 11, -1},
    {"Sum, negative low limit takes part", {2, 1, -5, 5}, {0}, -5, 10},
    {"Sum, negative low limit middle", {2, 1, -5, 5}, {16384}, 0, 5},
    {"Sum, wrap-around of the complement", {2, 1, INT32_MIN, INT32_MAX}, {0}, INT32_MIN, -1},
    {"Sum, full range r 32767", {2, 1, INT32_MIN, INT32_MAX}, {32767}, INT32_MAX, 0},
    {"Sum, Hilimit INT32_MAX", {2, 1, 0, INT32_MAX}, {0}, 0, INT32_MAX},
    {"Mode is the low 16 bits of the pin", {0x10002, 1, 0, 10}, {0}, 0, 10},
};
}  // namespace

TEST(GuiModule, EachModeWritesOut1ThenOut2FromItsDraws) {
    for (const PairCase& c : kPairCases) {
        SCOPED_TRACE(c.what);
        RecordingHost host;
        GuiModule module(RecordingHost::Callback, 0);
        SetInputs(host, c.inputs);
        {
            ScriptedDraws draws(c.draws);
            EXPECT_EQ(Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER), 0);
        }
        EXPECT_EQ(PinsRead(host), kInputPins);
        const std::vector<std::pair<int32_t, int32_t>> expected = {{4, c.out1}, {5, c.out2}};
        EXPECT_EQ(Writes(host), expected);
        EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{14, 14, 14, 14, 15, 15}));
    }
}

// A modular host that passes writes along synchronously may remove the module meanwhile.
TEST(GuiModule, CloseFromInsideTheOut1WriteLeavesTheObjectUntilTheTriggerReturns) {
    struct LoggedGuiModule : GuiModule {
        explicit LoggedGuiModule(std::vector<std::string>& events)
            : GuiModule(RecordingHost::Callback, 0), log(events) {}
        ~LoggedGuiModule() override { log.push_back("destroyed"); }
        std::vector<std::string>& log;
    };
    RecordingHost host;
    std::vector<std::string> log;
    GuiHostRecord* record = (new LoggedGuiModule(log))->HostRecord();
    SetInputs(host, {GuiModule::MODE_NORMAL, 1, 0, 10});
    host.on_call = [&](const HostCall& call) {
        if (call.opcode != GUIHOST_OP_WRITE_PIN_VALUE) return;
        log.push_back("write " + std::to_string(call.index));
        if (call.index != GuiModule::PIN_OUT1) return;
        const int32_t answer = record->dispatcher(record, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f);
        log.push_back("close answered " + std::to_string(answer));
    };
    record->dispatcher(record, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER, 0, nullptr, 0.0f);
    log.push_back("trigger returned");
    EXPECT_EQ(log, (std::vector<std::string>{"write 4", "close answered 1", "destroyed",
                                             "trigger returned"}));
}

TEST(GuiModule, HilimitInt32MaxDrawsBetweenTheLimitsInsteadOfWrapping) {
    for (const int32_t lolimit : {INT32_MAX - 5, 0, -1, INT32_MIN}) {
        const long double span = static_cast<long double>(kTwoTo31) - lolimit;
        for (const int32_t r : {0, 16384, 32767}) {
            SCOPED_TRACE("Lolimit " + std::to_string(lolimit) + " r " + std::to_string(r));
            RecordingHost host;
            GuiModule module(RecordingHost::Callback, 0);
            SetInputs(host, {GuiModule::MODE_NORMAL, 1, lolimit, INT32_MAX});
            {
                ScriptedDraws draws({r, r});
                Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER);
            }
            const std::vector<std::pair<int32_t, int32_t>> writes = Writes(host);
            ASSERT_EQ(writes.size(), 2u);
            for (const auto& [pin, value] : writes) {
                EXPECT_GE(value, lolimit) << pin;
                // Spans too wide for single precision keep the draw's relative position.
                if (span > 65538) {
                    const long double exact =
                        std::min<long double>(lolimit + span * r / 32767.0L, INT32_MAX);
                    EXPECT_LT(std::fabs(value - exact), 1.0L) << pin;
                }
            }
        }
    }
}

TEST(GuiModule, TriggersDrawWhatDrawInRangeGivesOnEitherSideOfEveryRoadsLimits) {
    // Limits just inside and just outside the spans and low limits for which a trigger checks
    // the range once instead of at each draw.
    const std::pair<int32_t, int32_t> limits[] = {{0, 65537},
                                                  {0, 65538},
                                                  {-65538, 0},
                                                  {-65539, 0},
                                                  {65538, 0},
                                                  {65539, 0},
                                                  {1 << 24, (1 << 24) - 10},
                                                  {(1 << 24) + 1, (1 << 24) - 10},
                                                  {(1 << 24) - 10, 1 << 24},
                                                  {(1 << 24) - 10, (1 << 24) + 1},
                                                  {-(1 << 24), -(1 << 24) + 65537},
                                                  {-(1 << 24) - 1, -(1 << 24) + 65536},
                                                  {(1 << 24) + 65538, 1 << 24},
                                                  {INT32_MAX - 65537, INT32_MAX},
                                                  {INT32_MIN, INT32_MIN + 65537}};
    for (const auto& [lolimit, hilimit] : limits) {
        for (const int32_t r : {0, 1, 16384, 32766, 32767}) {
            SCOPED_TRACE(std::to_string(lolimit) + ".." + std::to_string(hilimit) + " r " +
                         std::to_string(r));
            RecordingHost host;
            GuiModule module(RecordingHost::Callback, 0);
            SetInputs(host, {GuiModule::MODE_NORMAL, 1, lolimit, hilimit});
            {
                ScriptedDraws draws({r, 32767 - r});
                Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER);
            }
            const int64_t upper = int64_t{hilimit} + 1;
            const std::vector<std::pair<int32_t, int32_t>> expected = {
                {4, GuiModule::DrawInRange(lolimit, upper, r)},
                {5, GuiModule::DrawInRange(lolimit, upper, 32767 - r)}};
            EXPECT_EQ(Writes(host), expected);
        }
    }
}

TEST(GuiModule, SumOutputsAddUpToHilimit) {
    for (const std::pair<int32_t, int32_t>& limits :
         {std::make_pair(0, 10), std::make_pair(-5, 5), std::make_pair(-1000, 70000)}) {
        const auto [lolimit, hilimit] = limits;
        for (const int32_t r : {0, 1, 2978, 2979, 16384, 32766, 32767}) {
            SCOPED_TRACE(std::to_string(lolimit) + ".." + std::to_string(hilimit) + " r " +
                         std::to_string(r));
            RecordingHost host;
            GuiModule module(RecordingHost::Callback, 0);
            SetInputs(host, {GuiModule::MODE_SUM, 1, lolimit, hilimit});
            {
                ScriptedDraws draws({r});
                Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER);
            }
            const std::vector<std::pair<int32_t, int32_t>> writes = Writes(host);
            ASSERT_EQ(writes.size(), 2u);
            const int32_t out1 = writes[0].second;
            EXPECT_GE(out1, lolimit);
            // Only the last r reaches Hilimit + 1, and Out2 then is -1.
            EXPECT_LE(out1, r == 32767 ? hilimit + 1 : hilimit);
            if (r == 32767) {
                EXPECT_EQ(out1, hilimit + 1);
            }
            EXPECT_EQ(out1 + writes[1].second, hilimit);
        }
    }
}

TEST(GuiModule, ChangedLimitsAndModeDrawNothingUntilTheNextTrigger) {
    RecordingHost host;
    GuiModule module(RecordingHost::Callback, 0);
    SetInputs(host, {GuiModule::MODE_NORMAL, 1, 0, 10});
    {
        ScriptedDraws draws({0, 0});
        Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER);
    }
    host.calls.clear();

    // Trigger stays true while the other inputs change.
    SetInputs(host, {GuiModule::MODE_SUM, 1, 100, 200});
    {
        ScriptedDraws no_draws({});
        for (int32_t pin : {GuiModule::PIN_LOLIMIT, GuiModule::PIN_HILIMIT, GuiModule::PIN_MODES})
            EXPECT_EQ(Send(module, GUI_OP_PIN_CHANGED, pin), 0) << pin;
    }
    EXPECT_TRUE(Writes(host).empty());

    host.calls.clear();
    {
        ScriptedDraws draws({16384});
        Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER);
    }
    const std::vector<std::pair<int32_t, int32_t>> expected = {{4, 150}, {5, 50}};
    EXPECT_EQ(Writes(host), expected);
}

TEST(GuiModule, NoDrawNoWriteWithoutATrueTriggerOnPin1AndAValidMode) {
    struct Case {
        const char* what;
        Inputs inputs;
        int32_t changed;
    };
    const Case cases[] = {
        {"mode 3", {3, 1, 0, 10}, 1},
        {"mode -1", {-1, 1, 0, 10}, 1},
        {"Normal, Trigger false", {0, 0, 0, 10}, 1},
        {"Differ, Trigger false", {1, 0, 0, 10}, 1},
        {"Sum, Trigger false", {2, 0, 0, 10}, 1},
        {"Trigger's low 16 bits zero", {0, 0x10000, 0, 10}, 1},
        {"Modes changed", {0, 1, 0, 10}, 0},
        {"Lolimit changed", {0, 1, 0, 10}, 2},
        {"Hilimit changed", {2, 1, 0, 10}, 3},
        {"Out1 changed", {1, 1, 0, 10}, 4},
        {"Out2 changed", {0, 1, 0, 10}, 5},
        {"unknown pin", {0, 1, 0, 10}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHost host;
        GuiModule module(RecordingHost::Callback, 0);
        SetInputs(host, c.inputs);
        ScriptedDraws no_draws({});
        EXPECT_EQ(Send(module, GUI_OP_PIN_CHANGED, c.changed), 0);
        EXPECT_EQ(PinsRead(host), kInputPins) << "inputs are read on every notification";
        EXPECT_TRUE(Writes(host).empty());
    }
}

TEST(GuiModule, InitialiseReadsTheFourInputsAndNothingElse) {
    for (int32_t flag : {0, 1}) {
        RecordingHost host;
        GuiModule module(RecordingHost::Callback, 0);
        SetInputs(host, {1, 1, -4, 4});
        ScriptedDraws no_draws({});
        EXPECT_EQ(Send(module, GUI_OP_INITIALISE, flag), 0);
        EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{14, 14, 14, 14}));
        EXPECT_EQ(PinsRead(host), kInputPins);
    }
}

TEST(GuiModule, OneTriggerGivesOnePairOfWritesWhenTheHostNotifiesFromInsideTheWrites) {
    RecordingHost host;
    host.notify_on_write = true;
    GuiModule module(RecordingHost::Callback, 0);
    SetInputs(host, {0, 1, 0, 10});
    {
        ScriptedDraws draws({0, 32767});
        Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER);
    }
    EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{14, 14, 14, 14, 15, 15}));

    host.calls.clear();
    {
        ScriptedDraws draws({16384, 16384});
        Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER);
    }
    const std::vector<std::pair<int32_t, int32_t>> expected = {{4, 5}, {5, 5}};
    EXPECT_EQ(Writes(host), expected) << "the busy flag must be clear after a trigger";
}

TEST(GuiModule, FailedHostCallDoesNotLeaveLaterTriggersTurnedAway) {
    RecordingHost host;
    GuiModule module(RecordingHost::Callback, 0);
    SetInputs(host, {0, 1, 0, 10});
    host.on_call = [](const HostCall& call) {
        if (call.opcode == GUIHOST_OP_WRITE_PIN_VALUE) throw std::runtime_error("host failed");
    };
    {
        ScriptedDraws draws({0, 0});
        EXPECT_EQ(Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER), 0);
    }
    host.on_call = nullptr;
    host.calls.clear();
    {
        ScriptedDraws draws({32767, 0});
        Send(module, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER);
    }
    const std::vector<std::pair<int32_t, int32_t>> expected = {{4, 11}, {5, 0}};
    EXPECT_EQ(Writes(host), expected);
}

TEST(GuiModule, ConstructionSeedsTheSharedGeneratorFromTheClockWithoutCallingTheHost) {
    RecordingHost host;
    const std::time_t before = std::time(nullptr);
    GuiModule module(RecordingHost::Callback, 0);
    const std::time_t after = std::time(nullptr);
    std::vector<int32_t> drawn;
    for (int i = 0; i < 8; ++i) drawn.push_back(RandomSource::Next());

    bool seeded_from_clock = false;
    for (std::time_t t = before; t <= after; ++t) {
        RandomSource::Seed(static_cast<unsigned>(t));
        std::vector<int32_t> expected;
        for (int i = 0; i < 8; ++i) expected.push_back(RandomSource::Next());
        seeded_from_clock = seeded_from_clock || expected == drawn;
    }
    EXPECT_TRUE(seeded_from_clock);
    EXPECT_TRUE(host.calls.empty());
}

TEST(GuiModuleDraw, GivesTheKnownValuesAtTheEdgesOfR) {
    struct Case {
        int32_t low;
        int64_t upper;
        int32_t r, expected;
    };
    const Case cases[] = {
        {0, 11, 0, 0},
        {0, 11, 2978, 0},
        {0, 11, 2979, 1},
        {0, 11, 16384, 5},
        {0, 11, 32767, 11},
        {-3, 4, 14042, 0},
        {-3, 4, 0, -3},
        {-3, 4, 32767, 4},
        {5, 6, 32766, 5},
        {5, 6, 32767, 6},
        {10, 1, 32767, 1},
        {0, 65538, 32767, 65538},
        {0, -65538, 32767, -65538},
        // Limits that single precision cannot hold are drawn exactly.
        {INT32_MAX - 5, INT32_MAX, 0, INT32_MAX - 5},
        {100000001, 100000004, 0, 100000001},
        {100000001, 100000004, 16384, 100000002},
        {INT32_MAX - 65538, INT32_MAX, 32767, INT32_MAX},
        {INT32_MIN, INT32_MIN + 5, 0, INT32_MIN},
        {INT32_MIN + 65538, INT32_MIN, 32767, INT32_MIN},
        // Hilimit INT32_MAX: the upper bound 2^31 lies just beyond the 32-bit range.
        {INT32_MAX - 5, kTwoTo31, 0, INT32_MAX - 5},
        {INT32_MAX - 5, kTwoTo31, 16384, INT32_MAX - 2},
        {INT32_MAX - 5, kTwoTo31, 32767, INT32_MAX},
        {0, kTwoTo31, 0, 0},
        {0, kTwoTo31, 16384, 1073774593},
        {0, kTwoTo31, 32767, INT32_MAX},
        {INT32_MIN, kTwoTo31, 32767, INT32_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GuiModule::DrawInRange(c.low, c.upper, c.r), c.expected)
            << c.low << ".." << c.upper << " r " << c.r;
    }
}

// Below zero the exact road truncates toward zero as the single-precision road does: a value
// between two integers comes out as the one nearer zero, never the lower one nor the nearest.
TEST(GuiModuleDraw, ExactDrawTruncatesTowardZeroBelowZeroToo) {
    struct Case {
        int32_t low;
        int64_t upper;
        int32_t r, expected;
    };
    const Case cases[] = {
        // Spans wider than 65538 from a lower limit below zero.
        {-40000, 40000, 1, -39997},             // -39997.56
        {-40000, 40000, 7, -39982},             // -39982.91
        {-40000, 40000, 16383, -1},             // -1.22
        {-40000, 40000, 16384, 1},              // 1.22
        {-40000, 40000, 32766, 39997},          // 39997.56
        {-70000, 0, 1, -69997},                 // -69997.86
        {-70000, 0, 16384, -34998},             // -34998.93
        {-70000, 0, 32766, -2},                 // -2.14
        {-1000000, -900000, 1, -999996},        // -999996.95
        {-1000000, -900000, 16384, -949998},    // -949998.47
        {-5, -100000, 16384, -50004},           // -50004.03, a falling span
        {INT32_MIN, kTwoTo31, 1, -2147352571},  // -2147352571.99988
        // Limits beyond 2^24 below zero, with narrow spans.
        {-20000010, -20000000, 1, -20000009},              // -20000009.9997
        {-20000010, -20000000, 20000, -20000003},          // -20000003.896
        {INT32_MIN, INT32_MIN + 5, 16384, INT32_MIN + 3},  // INT32_MIN + 2.50003
        {INT32_MIN, INT32_MIN + 5, 32766, INT32_MIN + 5},  // INT32_MIN + 4.99985
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GuiModule::DrawInRange(c.low, c.upper, c.r), c.expected)
            << c.low << ".." << c.upper << " r " << c.r;
    }
}

TEST(GuiModuleDraw, IsBitIdenticalToTheSinglePrecisionFormulaForSpansUpTo65538WithinTwoTo24) {
    const int32_t lows[] = {-16777216, -16777215, -1000001, -65538,   -3,
                            0,         1,         16711678, 16777215, 16777216};
    std::vector<int64_t> spans = {-65538, -65537, -32768, -11,   -1,    0,
                                  1,      7,      11,     32768, 65537, 65538};
    for (int64_t span = -65538; span <= 65538; span += 4099) spans.push_back(span);
    std::vector<int32_t> rs = {0, 1, 2978, 2979, 14042, 16383, 16384, 32766, 32767};
    for (int32_t r = 0; r <= 32767; r += 97) rs.push_back(r);

    int mismatches = 0;
    for (int32_t low : lows) {
        for (int64_t span : spans) {
            // Upper bounds up to 2^31, which Hilimit INT32_MAX gives.
            const int64_t upper = low + span;
            if (upper - 1 < -16777216 || upper - 1 > 16777216) continue;
            for (int32_t r : rs) {
                const int64_t expected = StraightforwardDraw(low, upper, r);
                const int32_t actual = GuiModule::DrawInRange(low, upper, r);
                if (actual != expected && ++mismatches <= 10) {
                    ADD_FAILURE() << low << ".." << upper << " r " << r << ": " << actual
                                  << " instead of " << expected;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(GuiModuleDraw, WideSpansStayBetweenTheLimitsAtTheSameRelativePosition) {
    const std::pair<int32_t, int64_t> limits[] = {{0, 65539},
                                                  {0, -65539},
                                                  {-40000, 40000},
                                                  {40000, -40000},
                                                  {-1000000, 1000000},
                                                  {INT32_MIN, 0},
                                                  {0, INT32_MIN},
                                                  {INT32_MIN, INT32_MAX},
                                                  {INT32_MAX, INT32_MIN},
                                                  {INT32_MAX - 70000, INT32_MAX},
                                                  {-1, INT32_MAX},
                                                  {0, kTwoTo31},
                                                  {INT32_MIN, kTwoTo31},
                                                  {INT32_MAX - 70000, kTwoTo31}};
    for (const auto& [low, upper] : limits) {
        SCOPED_TRACE(std::to_string(low) + ".." + std::to_string(upper));
        const long double span = static_cast<long double>(upper) - low;
        // The upper bound 2^31 comes out as the nearest 32-bit value.
        const int64_t top = std::min<int64_t>(std::max<int64_t>(low, upper), INT32_MAX);
        const int64_t bottom = std::min<int64_t>(low, upper);
        EXPECT_EQ(GuiModule::DrawInRange(low, upper, 0), low);
        EXPECT_EQ(GuiModule::DrawInRange(low, upper, 32767), std::min<int64_t>(upper, INT32_MAX));
        int32_t previous = low;
        for (int32_t r = 0; r <= 32767; r += 31) {
            const int32_t drawn = GuiModule::DrawInRange(low, upper, r);
            EXPECT_GE(drawn, bottom) << r;
            EXPECT_LE(drawn, top) << r;
            EXPECT_TRUE(span > 0 ? drawn >= previous : drawn <= previous)
                << "not monotonic at " << r;
            const long double exact = std::min<long double>(low + span * r / 32767.0L, INT32_MAX);
            EXPECT_LT(std::fabs(drawn - exact), 1.0L) << r;
            previous = drawn;
        }
    }
}

// Hilimit + 1 comes out only for the last r where the range lies above zero; truncation toward
// zero lets it come out more often below zero, as it always has.
TEST(GuiModuleDraw, EveryDrawLiesBetweenTheLimitsWhateverTheirSize) {
    struct Case {
        int32_t lolimit, hilimit;
        bool hilimit_plus_one_only_at_last_r;
    };
    const Case cases[] = {{0, 10, true},
                          {100000001, 100000003, true},
                          {20000001, 20000010, true},
                          {16777210, 16777217, true},
                          {-20000010, -20000001, false},
                          {INT32_MIN, INT32_MIN + 9, false}};
    for (const Case& c : cases) {
        int outside = 0;
        for (int32_t r = 0; r <= 32767; ++r) {
            const int32_t drawn = GuiModule::DrawInRange(c.lolimit, int64_t{c.hilimit} + 1, r);
            const int64_t top =
                c.hilimit_plus_one_only_at_last_r && r < 32767 ? c.hilimit : int64_t{c.hilimit} + 1;
            if ((drawn < c.lolimit || drawn > top) && ++outside <= 5)
                ADD_FAILURE() << c.lolimit << ".." << c.hilimit << " r " << r << " gives " << drawn;
        }
        EXPECT_EQ(outside, 0);
    }
    EXPECT_EQ(GuiModule::DrawInRange(0, 11, 32767), 11);
}
