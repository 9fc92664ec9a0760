// The input pins a host sets to values, and the ways it sets them: through the GUI object, and
// into the module's variable with a status the audio object is told of.
#ifndef QVHOST_VALIDATE_VALUE_PINS_H
#define QVHOST_VALIDATE_VALUE_PINS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "AudioSideHost.h"
#include "CheckContext.h"
#include "ModuleSession.h"
#include "PinDescription.h"

// An input that holds a value, on the GUI side by its table index, on the audio side (with a
// variable of the module's) by its audio index.
struct ValuePin {
    size_t table_index;
    int32_t audio_index;  // -1 without an audio-side variable
    bool gui;             // a user-interface pin, set through the GUI object
    std::vector<double> values;
};

// Every value a host may hand a pin of this description, edges first and last.
std::vector<double> ValuesAcross(const PinDescription& pin, CheckContext& context);

// Every choice of an enumeration or a boolean; the two edges of any other value, and magnitudes
// spread between them of either sign (0.001 to 100,000, a decade apart, with 5,000 and 50,000).
std::vector<double> SpreadValues(const ValuePin& pin, const PinDescription& description);

// The inputs a host can set, each with ValuesAcross.
std::vector<ValuePin> ValuePins(AudioSideHost& audio, CheckContext& context);

// One value, set the ways a host sets it, as the session's next step: through the GUI object,
// and into the module's variable with a status (changed, moving or static by `turn`) posted at
// a random offset inside the next block.
void SetValue(ModuleSession& session, CheckContext& context, const ValuePin& pin, double value,
              size_t turn);

#endif
