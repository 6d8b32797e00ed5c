#pragma once
// The one error type of mksetup: bad input, told as "file: reason" or "file:line: reason".
#include <cstddef>
#include <stdexcept>
#include <string>

namespace setup::mksetup {

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& message) : std::runtime_error(message) {}
  ToolError(const std::string& file, const std::string& reason)
      : std::runtime_error(file + ": " + reason) {}
  ToolError(const std::string& file, std::size_t line, const std::string& reason)
      : std::runtime_error(file + ":" + std::to_string(line) + ": " + reason) {}
};

}  // namespace setup::mksetup
