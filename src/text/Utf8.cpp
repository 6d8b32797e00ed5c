#include "text/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "text/ScriptText.h"

namespace setup {
namespace {

// 0x80 to 0x9F differ from Latin-1; the five unassigned codes are kept as their C1 controls.
constexpr char16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct UpperRun {
  char16_t first, last;
  std::int32_t delta;
  std::uint8_t stride;
};

constexpr UpperRun kUpperRuns[] = {
#include "text/UpperCaseTable.inc"
};

}  // namespace

namespace utf8_detail {

std::size_t SequenceAt(std::string_view text, std::size_t at, char32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return 0;
  return length;
}

}  // namespace utf8_detail

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

char16_t Utf16From1252(char byte) {
  const auto c = static_cast<unsigned char>(byte);
  return c >= 0x80 && c < 0xA0 ? kHigh1252[c - 0x80] : static_cast<char16_t>(c);
}

std::string Utf8From1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, Utf16From1252(c));
  return out;
}

std::optional<char> Windows1252Of(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (int i = 0; i < 32; ++i) {
    // The five unassigned codes map to themselves; no text means them.
    if (kHigh1252[i] == code && code > 0xFF) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    char32_t code = 0;
    const std::size_t length = utf8_detail::SequenceAt(text, at, code);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string ValidUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  std::string out;
  ForEachCharacter(text, [&](char32_t code, std::size_t, std::size_t) { AppendUtf8(out, code); });
  return out;
}

bool HasUtf8ByteOrderMark(ByteSpan bytes) {
  return bytes.size() >= kUtf8ByteOrderMark.size() &&
         std::equal(kUtf8ByteOrderMark.begin(), kUtf8ByteOrderMark.end(), bytes.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::string DecodeScriptText(std::string_view bytes) {
  if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
    return ValidUtf8(bytes.substr(kUtf8ByteOrderMark.size()));
  return Utf8From1252(bytes);
}

std::string DecodeScriptText(ByteSpan bytes) {
  return DecodeScriptText(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  ForEachCharacter(text, [&](char32_t, std::size_t, std::size_t) { ++count; });
  return count;
}

std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  ForEachCharacter(
      text, [&](char32_t code, std::size_t, std::size_t) { units += code >= 0x10000 ? 2 : 1; });
  return units;
}

std::string FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t end = 0, taken = 0;
  ForEachCharacter(text, [&](char32_t, std::size_t at, std::size_t length) {
    if (taken++ < count) end = at + length;
  });
  return std::string(text.substr(0, end));
}

char32_t UpperCaseOf(char32_t code) {
  if (code < 0x80) return static_cast<char32_t>(ToUpperAscii(static_cast<char>(code)));
  if (code > 0xFFFF) return code;
  const auto after =
      std::upper_bound(std::begin(kUpperRuns), std::end(kUpperRuns), code,
                       [](char32_t c, const UpperRun& run) { return c < run.first; });
  if (after == std::begin(kUpperRuns)) return code;
  const UpperRun& run = *std::prev(after);
  if (code > run.last || (code - run.first) % run.stride != 0) return code;
  return static_cast<char32_t>(static_cast<std::int32_t>(code) + run.delta);
}

std::string FoldPathCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCharacter(text, [&](char32_t code, std::size_t at, std::size_t length) {
    // Bytes of a broken sequence stay as they are, so that two different ones stay apart.
    if (length == 1 && static_cast<unsigned char>(text[at]) >= 0x80)
      out.push_back(text[at]);
    else
      AppendUtf8(out, UpperCaseOf(code));
  });
  return out;
}

}  // namespace setup
