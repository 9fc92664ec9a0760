// A failure the host reports to its user rather than crashes on: a library that cannot be loaded
// or lacks an export, a record that breaks the host contract, a module that misbehaves, or
// arguments that make no sense. Thrown and caught inside the host only: never across a module.
#ifndef QVHOST_HOST_ERROR_H
#define QVHOST_HOST_ERROR_H

#include <stdexcept>

class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Arguments that make no sense for the module at hand (a pin it lacks, a value a pin cannot
// take): the command line's usage error, exit code 2.
class UsageError : public HostError {
public:
    using HostError::HostError;
};

#endif
