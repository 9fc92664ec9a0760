// The audio side's value of each pin with both sides, as a play shows it beside the GUI side's:
// the host writes a value into the variable as its block starts, and the value is shown from the
// sample its change is announced at, where the module hears of it.
#ifndef QVHOST_VARIABLE_COLUMNS_H
#define QVHOST_VARIABLE_COLUMNS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "AudioSideHost.h"

class VariableColumns {
public:
    // Takes the pins with both sides whose variable holds one value, and appends their columns,
    // "PIN (audio side)", to `columns`.
    VariableColumns(const AudioSideHost& audio, std::vector<std::string>& columns);

    // After the host set values: a variable that changed shows its value from `sample` on.
    void Note(uint32_t sample);
    // Appends each column's value at `sample`, which only grows.
    void Append(uint32_t sample, std::vector<double>& row);

private:
    struct Landing {
        uint32_t sample;
        size_t column;
        double value;
    };

    const AudioSideHost& m_audio;
    std::vector<int32_t> m_pins;
    std::vector<double> m_held;   // what each variable held when last noted
    std::vector<double> m_shown;  // what each column shows now
    std::vector<Landing> m_landings;  // in order of sample, not yet shown
};

#endif
