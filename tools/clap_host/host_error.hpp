#pragma once

#include <stdexcept>

namespace vessimor::tools {

// Failure of the host or of the tools built on it; the text is meant for the user.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vessimor::tools
