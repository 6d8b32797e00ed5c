#include "text/ScriptText.h"

#include <algorithm>
#include <utility>

namespace setup {

std::vector<std::string> SplitScriptLines(ByteSpan bytes) {
  const char* text = reinterpret_cast<const char*>(bytes.data());
  const std::size_t end = std::find(bytes.begin(), bytes.end(), 0) - bytes.begin();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < end) {
    std::size_t stop = start;
    while (stop < end && text[stop] != '\r' && text[stop] != '\n') ++stop;
    lines.emplace_back(text + start, stop - start);
    if (stop == end) break;
    const bool crlf = text[stop] == '\r' && stop + 1 < end && text[stop + 1] == '\n';
    start = stop + (crlf ? 2 : 1);
  }
  return lines;
}

std::vector<std::string> SplitScriptLines(const std::string& text) {
  return SplitScriptLines(
      ByteSpan(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

char TakeFirstChar(std::string& text) {
  if (text.empty()) return '\0';
  const char first = text.front();
  text.erase(0, 1);
  return first;
}

std::string SplitFirst(std::string& text, const std::string& separator) {
  const std::size_t at = text.find(separator);
  if (at == std::string::npos) return std::exchange(text, std::string());
  std::string head = text.substr(0, at);
  text.erase(0, at + separator.size());
  return head;
}

char ToUpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string ToUpperAscii(std::string text) {
  for (char& c : text) c = ToUpperAscii(c);
  return text;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

std::optional<std::int32_t> ParseInt32(const std::string& text) {
  std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  const bool negative = text[0] == '-';
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace setup
