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

#endif
