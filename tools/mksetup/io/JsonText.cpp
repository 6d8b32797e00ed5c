#include "Text1252.h"

#include <cstdint>
#include <cstdio>

namespace setup::mksetup {
namespace {

// 0x80 to 0x9F differ from Latin-1; the five unassigned codes are kept as their C1 controls.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char16_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

std::string Utf8From1252(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : static_cast<char16_t>(c));
  }
  return out;
}

char16_t Utf16From1252(char byte) {
  const auto c = static_cast<unsigned char>(byte);
  return c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : static_cast<char16_t>(c);
}

std::optional<char> To1252(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (int i = 0; i < 32; ++i) {
    // The five unassigned codes map to themselves; no text means them.
    if (kHigh[i] == code && code > 0xFF) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

std::string JsonString(const std::string& text1252) {
  return JsonUtf8(Utf8From1252(text1252));
}

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
