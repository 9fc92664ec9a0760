// What one played session sets a module's value pins to: values a user commonly sets (each choice
// of an enumeration in turn), then values drawn from all a host may hand each pin. The checks that
// play one session several ways and compare, or time it, share these plans.
#ifndef QVHOST_VALIDATE_SESSION_PLAN_H
#define QVHOST_VALIDATE_SESSION_PLAN_H

#include <cstdint>
#include <string>
#include <vector>

#include "CheckContext.h"
#include "ModuleSession.h"
#include "ValuePins.h"

// The k-th of the settings a user commonly makes: each choice of an enumeration in turn, a switch
// off and on, moderate numbers. A module's code paths open with such settings more often than
// with the edges of a type.
double CommonValue(const PinDescription& pin, size_t k);

// Noise on the inputs from a seed, and a value for each value pin to start with and another for
// later, in the order ValuePins gives the pins.
struct SessionPlan {
    uint32_t seed;
    std::vector<double> first;
    std::vector<double> second;
};

// Plans with common settings, enough for each choice of every enumeration up to a few (the next
// common setting as the second values), then one drawn from every value a host may hand each pin.
std::vector<SessionPlan> SessionPlans(CheckContext& context);

// `values` set the ways a host sets them (through the GUI object, and into the module's variable
// with a status at once), each pin in ValuePins' order.
void SetPlanValues(ModuleSession& session, const std::vector<ValuePin>& pins,
                   const std::vector<double>& values);

// "Mode=Rising Release=0.5": the values as a user reads them, by pin name.
std::string DescribePlanValues(const AudioSideHost& audio, const std::vector<ValuePin>& pins,
                               const std::vector<double>& values);

#endif
