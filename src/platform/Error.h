#pragma once
// The one error type of the setup: its what() is the exact English message the user sees.
#include <stdexcept>
#include <string>

namespace setup {

class SetupError : public std::runtime_error {
 public:
  explicit SetupError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace setup
