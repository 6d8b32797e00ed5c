#pragma once
// The one error type of mksetup: bad input, told as "file: reason" or "file:line: reason".
#include <cstddef>
#include <stdexcept>
#include <string>

namespace setup::mksetup {

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& message) : std::runtime_error(message), reason_(message) {}
  ToolError(const std::string& file, const std::string& reason)
      : std::runtime_error(file + ": " + reason), reason_(reason) {}
  ToolError(const std::string& file, std::size_t line, const std::string& reason)
      : std::runtime_error(file + ":" + std::to_string(line) + ": " + reason), reason_(reason) {}

  // The message without its place, for a report that names the place itself.
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// A command line the command cannot take: mksetup ends with exit code 2 instead of 1.
class UsageError : public ToolError {
 public:
  using ToolError::ToolError;
};

}  // namespace setup::mksetup
