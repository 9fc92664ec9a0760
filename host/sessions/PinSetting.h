// A user's setting of a pin by name, "PIN=VALUE", as `render` and `play` take it: an audio-side
// pin takes the value in its variable and a status report, a pin of the GUI side alone takes it
// through the GUI object in its own datatype. An enumeration takes a choice's name too. A name
// the module lacks, an output pin, or a value the pin cannot take is a usage error that says
// what would do.
#ifndef QVHOST_PIN_SETTING_H
#define QVHOST_PIN_SETTING_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ReferenceHost.h"

class PinSetting {
public:
    // "PIN=VALUE" as its two parts; UsageError for anything else.
    static std::pair<std::string, std::string> Split(const std::string& text);
    // A UsageError naming `option` when two of `settings` ("PIN=VALUE") name one pin: the later
    // would silently win.
    static void RefuseRepeated(const std::vector<std::string>& settings, const std::string& option);
    // The name that addresses an audio pin: its description's name, and for the k-th repeat of a
    // description (k from 2) the name followed by "#k".
    static std::string AudioPinName(const AudioSideHost& audio, int32_t pin);
    static std::optional<int32_t> FindAudioPin(const AudioSideHost& audio, const std::string& name);
    // The audio index of the sample input of this name, or nothing.
    static std::optional<int32_t> FindSampleInput(const AudioSideHost& audio,
                                                  const std::string& name);
    // The table index of the first pin of this name, or nothing; of the first user-interface
    // pin with `ui_only`.
    static std::optional<int32_t> FindTablePin(const AudioSideHost& audio, const std::string& name,
                                               bool ui_only);
    // `text` as a value pin `pin` can hold: any whole 32-bit number for a pin of whole numbers
    // (a choice the list lacks, as a patch of a later version holds) or the name of a choice, any
    // finite 32-bit float for a float pin. UsageError for anything else.
    static double HeldValue(const PinDescription& pin, const std::string& text);
    // Whether any of `settings` names a pin of the GUI side alone, which needs the GUI object.
    static bool NeedsGuiObject(const AudioSideHost& audio,
                               const std::vector<std::string>& settings);
    // The UsageError Apply would give for `setting`, given before anything runs.
    static void Check(const AudioSideHost& audio, const std::string& setting);
    // Applies `setting`; an audio-side pin's status is reported `after` samples from now.
    static void Apply(ReferenceHost& host, const std::string& setting, uint32_t after = 0);
};

#endif
