// The GUI side of the random pair generator. On each change of Trigger to true it reads the
// inputs, draws one or two integers between the limits by the selected mode, and writes them to
// Out1 and Out2. All pins are addressed by their position in the module's pin table.
#ifndef GUI_MODULE_H
#define GUI_MODULE_H

#include "QVGUI_base.h"

#include <cstdint>

class GuiModule : public QVGUI_base {
public:
    enum : int32_t {
        PIN_MODES = 0,
        PIN_TRIGGER = 1,
        PIN_LOLIMIT = 2,
        PIN_HILIMIT = 3,
        PIN_OUT1 = 4,
        PIN_OUT2 = 5
    };
    // In the order of the Modes pin's list "Normal,Differ,Sum".
    enum : int16_t { MODE_NORMAL = 0, MODE_DIFFER = 1, MODE_SUM = 2 };

    // Re-seeds the runtime's generator from the clock, as every construction does. Where the
    // runtime keeps one generator per thread, this seeds the constructing thread's (RandomSource).
    GuiModule(HostCallback callback, uint32_t host_handle);

    void Initialise(bool flag) override;
    void OnPinChanged(QVGuiPin& pin) override;

    // One draw from the generator between `low` and `upper` (see DrawInRange).
    static int32_t RandomInRange(int32_t low, int64_t upper);
    // The value a draw of `r` (0..32767) gives between `low` and `upper`: low + (upper - low) * r
    // / 32767, through single precision and truncated toward zero, as the module has always
    // computed it for spans up to 65538 between limits within +-2^24. Wider spans, and limits
    // that single precision cannot hold, are computed exactly, at the same relative position, so
    // that they too stay between the limits. `upper` is Hilimit + 1, carried in 64 bits so that
    // Hilimit INT32_MAX gives 2^31 rather than wrapping to INT32_MIN; any `upper` in INT32_MIN ..
    // 2^31 is served. A result beyond the 32-bit range (2^31, for r 32767) saturates to INT32_MAX.
    static int32_t DrawInRange(int32_t low, int64_t upper, int32_t r);

private:
    void ReadInputs();
    // Draws m_out1 and m_out2 by `mode`, each draw from `next_draw`.
    template <typename NextDraw>
    void DrawPair(int16_t mode, int32_t hilimit, NextDraw next_draw);

    int32_t m_lolimit;
    int32_t m_hilimit;
    int32_t m_out1;
    int32_t m_out2;
    int16_t m_trigger;
    int16_t m_mode;
    bool m_busy;
};

#endif
