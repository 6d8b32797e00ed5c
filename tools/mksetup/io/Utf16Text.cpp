#include "Utf16Text.h"

#include "text/Utf8.h"

namespace setup::mksetup {

std::u16string Utf16Of(std::string_view utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  ForEachCharacter(utf8, [&](char32_t code, std::size_t, std::size_t) {
    if (code < 0x10000) {
      units.push_back(static_cast<char16_t>(code));
      return;
    }
    code -= 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  });
  return units;
}

std::string Utf8OfUtf16(std::u16string_view units) {
  std::string text;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    const bool high = unit >= 0xD800 && unit < 0xDC00;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00));
    } else if (unit >= 0xD800 && unit < 0xE000) {
      AppendUtf8(text, 0xFFFD);
    } else {
      AppendUtf8(text, unit);
    }
  }
  return text;
}

}  // namespace setup::mksetup
