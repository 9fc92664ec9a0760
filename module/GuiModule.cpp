#include "GuiModule.h"

#include "QVGuiPin.h"
#include "RandomSource.h"

#include <cstdint>
#include <ctime>

namespace {
// Up to this span the 32-bit product (upper - low) * r cannot overflow: 65538 * 32767 < 2^31.
constexpr int64_t kWidestSinglePrecisionSpan = 65538;
// Single precision holds every integer up to 2^24 in magnitude and no odd one beyond: a limit past
// it cannot be held, and a draw near it would round outside the limits.
constexpr int64_t kLargestSinglePrecisionLimit = int64_t{1} << 24;

int32_t WrappingSubtract(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int32_t Saturate(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool IsSinglePrecisionLimit(int64_t limit) {
    return limit >= -kLargestSinglePrecisionLimit && limit <= kLargestSinglePrecisionLimit;
}

// Whether the draw between `low` and `upper` (Hilimit + 1) takes the single-precision road the
// module has always taken: spans up to 65538 between limits that single precision holds. The
// check is made once for a trigger's two or three draws.
bool DrawsInSinglePrecision(int32_t low, int64_t upper) {
    const int64_t span = upper - low;
    return span >= -kWidestSinglePrecisionSpan && span <= kWidestSinglePrecisionSpan &&
           IsSinglePrecisionLimit(low) && IsSinglePrecisionLimit(upper - 1);
}

// The single-precision draw, for limits that DrawsInSinglePrecision accepts. Inlined into each
// draw of a trigger: a call per draw would show.
inline __attribute__((always_inline)) int32_t SinglePrecisionDraw(int32_t low, int32_t span,
                                                                  int32_t r) {
    const double sum =
        static_cast<double>(static_cast<float>(span * r)) / static_cast<double>(32767.0f) +
        static_cast<double>(static_cast<float>(low));
    return static_cast<int32_t>(static_cast<float>(sum));
}

// The draw for every other span and limit, kept out of line so that the common draw stays small
// enough to inline. Exact: lies between low and upper (inclusive) for every r in 0..32767; C++
// division truncates toward zero like the single-precision road. Only upper 2^31 reaches beyond
// the 32-bit range, at r 32767.
__attribute__((noinline)) int32_t ExactDraw(int32_t low, int64_t upper, int32_t r) {
    const int64_t span = upper - low;
    return Saturate((int64_t{low} * RandomSource::kMaxValue + span * r) / RandomSource::kMaxValue);
}

int32_t Draw(int32_t low, int64_t upper, int32_t r) {
    if (DrawsInSinglePrecision(low, upper)) {
        return SinglePrecisionDraw(low, static_cast<int32_t>(upper - low), r);
    }
    return ExactDraw(low, upper, r);
}

// Clears the busy flag however the handling ends, so one failed host call cannot turn away
// every later notification.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : m_busy(busy) { m_busy = true; }
    ~BusyScope() { m_busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_busy;
};
}  // namespace

GuiModule::GuiModule(HostCallback callback, uint32_t host_handle)
    : QVGUI_base(callback, host_handle),
      m_lolimit(0),
      m_hilimit(10),
      m_out1(0),
      m_out2(0),
      m_trigger(0),
      m_mode(MODE_NORMAL),
      m_busy(false) {
    RandomSource::Seed(static_cast<unsigned>(std::time(nullptr)));
}

// Both inlined where they are used: each call on a trigger's road shows in its cost.
inline __attribute__((always_inline)) void GuiModule::ReadInputs() {
    m_mode = static_cast<int16_t>(GetPin(PIN_MODES)->GetValueInt());
    m_trigger = static_cast<int16_t>(GetPin(PIN_TRIGGER)->GetValueInt());
    m_lolimit = GetPin(PIN_LOLIMIT)->GetValueInt();
    m_hilimit = GetPin(PIN_HILIMIT)->GetValueInt();
}

template <typename NextDraw>
inline __attribute__((always_inline)) void GuiModule::DrawPair(int16_t mode, int32_t hilimit,
                                                              NextDraw next_draw) {
    const int32_t out1 = next_draw();
    m_out1 = out1;
    switch (mode) {
    case MODE_NORMAL:
        m_out2 = next_draw();
        break;
    case MODE_DIFFER: {
        // One retry only: the retry stands even when it repeats Out1.
        const int32_t out2 = next_draw();
        m_out2 = out2 == out1 ? next_draw() : out2;
        break;
    }
    case MODE_SUM:
        m_out2 = WrappingSubtract(hilimit, out1);
        break;
    }
}

void GuiModule::Initialise(bool) { ReadInputs(); }

void GuiModule::OnPinChanged(QVGuiPin& pin) {
    // The host notifies again from inside our own output writes; those find the flag set.
    if (m_busy) return;
    const BusyScope busy(m_busy);
    const int32_t changed = pin.m_index;
    ReadInputs();
    // Copies the host calls cannot reach, so the draws need not read the members again.
    const int16_t mode = m_mode;
    const int32_t low = m_lolimit;
    const int32_t hilimit = m_hilimit;
    // Not wrapped: Hilimit INT32_MAX must still draw from the top of the range.
    const int64_t upper = int64_t{hilimit} + 1;
    if (changed != PIN_TRIGGER || m_trigger == 0) return;
    if (mode != MODE_NORMAL && mode != MODE_DIFFER && mode != MODE_SUM) return;
    if (DrawsInSinglePrecision(low, upper)) {
        const int32_t span = static_cast<int32_t>(upper - low);
        DrawPair(mode, hilimit,
                 [=] { return SinglePrecisionDraw(low, span, RandomSource::Next()); });
    } else {
        DrawPair(mode, hilimit, [=] { return ExactDraw(low, upper, RandomSource::Next()); });
    }
    GetPin(PIN_OUT1)->SetValueInt(m_out1);
    GetPin(PIN_OUT2)->SetValueInt(m_out2);
}

int32_t GuiModule::RandomInRange(int32_t low, int64_t upper) {
    return Draw(low, upper, RandomSource::Next());
}

int32_t GuiModule::DrawInRange(int32_t low, int64_t upper, int32_t r) {
    return Draw(low, upper, r);
}
