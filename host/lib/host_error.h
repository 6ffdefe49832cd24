#ifndef SEHOST_HOST_ERROR_H
#define SEHOST_HOST_ERROR_H

#include <stdexcept>

namespace sehost {

// Every failure the host reports to its user: a bad plugin file, a pin that
// does not exist, a connection that cannot be made.
class HostError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Processing stopped because a stop was asked for (Host::SetInterruptCheck).
class HostInterrupted : public HostError {
public:
  using HostError::HostError;
};

} // namespace sehost

#endif
