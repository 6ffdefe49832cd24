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

// A mistake in what was given on the command line rather than in a file.
class UsageError : public HostError {
public:
  using HostError::HostError;
};

// Processing stopped because a stop was asked for (Host::SetInterruptCheck).
class HostInterrupted : public HostError {
public:
  using HostError::HostError;
};

} // namespace sehost

#endif
