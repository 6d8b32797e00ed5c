#include "wizard/ErrorDisplay.h"

namespace setup {

std::string ErrorDisplayText(const std::string& message) {
  if (message.empty()) return message;
  // Bytes compare unsigned, so every character of the upper half gets its full stop too.
  if (static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
    return message + ".";
  }
  return message;
}

}  // namespace setup
