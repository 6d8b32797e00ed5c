#include "JsonText.h"

#include <cstdio>

namespace setup::mksetup {

std::string JsonUtf8(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}

}  // namespace setup::mksetup
