#pragma once
// The one error type of the setup: its what() is the exact English message the user sees.
#include <exception>
#include <string>
#include <utility>

namespace setup {

// Not a std::runtime_error: its reference-counted message would bring a second std::string
// into the Windows programs.
class SetupError : public std::exception {
 public:
  explicit SetupError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace setup
