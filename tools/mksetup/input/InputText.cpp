#include "InputText.h"

#include <algorithm>
#include <cstdio>

#include "io/FileIo.h"
#include "io/ToolError.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> head) {
  return bytes.size() >= head.size() && std::equal(head.begin(), head.end(), bytes.begin());
}

std::string_view View(const std::vector<std::uint8_t>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Line and column (1-based, in characters) while walking a text.
struct Position {
  std::size_t line = 1, column = 1;
  void Advance(std::string_view text, std::size_t at, std::size_t length) {
    const char byte = text[at];
    const char next = at + length < text.size() ? text[at + length] : '\0';
    if (byte == '\n' || (byte == '\r' && next != '\n')) {
      ++line, column = 1;
    } else if (byte != '\r') {
      ++column;
    }
  }
};

std::string LineText(std::string_view text, std::size_t at) {
  std::size_t start = at, end = at;
  while (start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r') --start;
  while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
  return std::string(text.substr(start, end - start));
}

std::string ByteText(char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned char>(byte));
  return text;
}

// One finding for each line with an ill-formed sequence, at its first one.
std::vector<Finding> IllFormed(std::string_view text, const std::string& file,
                               const std::string& mend) {
  std::vector<Finding> findings;
  Position at;
  std::size_t reported = 0;
  ForEachCharacter(text, [&](char32_t code, std::size_t offset, std::size_t length) {
    if (code == 0xFFFD && length == 1 && reported != at.line) {
      reported = at.line;
      findings.push_back({at.line, Severity::Error,
                          "column " + std::to_string(at.column) + ": the byte " +
                              ByteText(text[offset]) + " is not UTF-8" + mend,
                          "encoding", file});
    }
    at.Advance(text, offset, length);
  });
  return findings;
}

}  // namespace

std::string CodePoint(char32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
  return text;
}

InputEncoding ParseInputEncoding(const std::string& name) {
  if (name == "utf-8" || name == "UTF-8" || name == "utf8") return InputEncoding::Utf8;
  if (name == "windows-1252" || name == "cp1252") return InputEncoding::Windows1252;
  throw UsageError("usage: --input-encoding is utf-8 or windows-1252, not " + name);
}

std::vector<Finding> EncodingFindings(const std::vector<std::uint8_t>& bytes,
                                      const std::string& file, const std::string& what) {
  const auto finding = [&](std::size_t line, const std::string& reason) {
    return std::vector<Finding>{{line, Severity::Error, reason, "encoding", file}};
  };
  if (HasUtf8ByteOrderMark(ByteSpan(bytes))) {
    return IllFormed(View(bytes).substr(kUtf8ByteOrderMark.size()), file,
                     ", though the " + what +
                         " begins with UTF-8's byte-order mark: the setup shows U+FFFD (a "
                         "question mark in a box) there; save it as UTF-8 again");
  }
  const bool little = StartsWith(bytes, {0xFF, 0xFE}) || (bytes.size() >= 2 && bytes[1] == 0);
  const bool big = StartsWith(bytes, {0xFE, 0xFF}) || (bytes.size() >= 2 && bytes[0] == 0);
  if (little || big) {
    return finding(1, "the " + what + " is UTF-16 (" + (little ? "little" : "big") +
                          "-endian): the setup reads it as Windows-1252 and stops at the first "
                          "NUL; save it as UTF-8 with a byte-order mark, or as Windows-1252");
  }
  const std::string_view text = View(bytes);
  if (!IsValidUtf8(text)) return {};  // Windows-1252 as it should be
  const auto first = std::find_if(text.begin(), text.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (first == text.end()) return {};
  const auto at = static_cast<std::size_t>(first - text.begin());
  Position position;
  for (std::size_t i = 0; i < at; ++i) position.Advance(text, i, 1);
  const std::size_t line = position.line;
  const std::string shown = LineText(text, at);
  return finding(line, "the " + what + " is UTF-8 without a byte-order mark: \"" + shown +
                           "\" would be read as Windows-1252, \"" + Utf8From1252(shown) +
                           "\"; save it as UTF-8 with a byte-order mark, or as Windows-1252, or "
                           "give --input-encoding utf-8");
}

std::optional<std::string> In1252(std::string_view utf8, char32_t* missing) {
  std::string out;
  out.reserve(utf8.size());
  bool fits = true;
  ForEachCharacter(utf8, [&](char32_t code, std::size_t, std::size_t) {
    if (!fits) return;
    if (const std::optional<char> byte = Windows1252Of(code)) {
      out.push_back(*byte);
    } else {
      fits = false;
      if (missing) *missing = code;
    }
  });
  if (!fits) return std::nullopt;
  return out;
}

namespace {

// Windows-1252 bytes that the setup reads back as the text: none that begin as the mark does.
std::optional<std::string> Stored1252(std::string_view utf8, char32_t* missing) {
  std::optional<std::string> text = In1252(utf8, missing);
  if (text && text->rfind(kUtf8ByteOrderMark, 0) == 0) return std::nullopt;
  return text;
}

}  // namespace

std::string StoredText(std::string_view utf8) {
  if (std::optional<std::string> text = Stored1252(utf8, nullptr)) return std::move(*text);
  return std::string(kUtf8ByteOrderMark) + std::string(utf8);
}

ConvertedText ConvertUtf8Input(const std::vector<std::uint8_t>& utf8, const std::string& file) {
  ConvertedText out;
  std::string_view text = View(utf8);
  if (HasUtf8ByteOrderMark(ByteSpan(utf8))) text.remove_prefix(kUtf8ByteOrderMark.size());
  out.findings = IllFormed(text, file, "");
  const std::string valid = ValidUtf8(text);
  char32_t missing = 0xEF;  // "ï", when the bytes would begin as the mark does
  if (std::optional<std::string> narrow = Stored1252(valid, &missing)) {
    out.bytes.assign(narrow->begin(), narrow->end());
    return out;
  }
  const std::string stored = std::string(kUtf8ByteOrderMark) + valid;
  out.bytes.assign(stored.begin(), stored.end());
  out.note = "stored as UTF-8 with a byte-order mark: Windows-1252 lacks " + CodePoint(missing);
  return out;
}

std::vector<std::uint8_t> ReadInputText(const std::string& path, InputEncoding encoding,
                                        std::string* note) {
  std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  if (encoding == InputEncoding::Windows1252) return bytes;
  ConvertedText converted = ConvertUtf8Input(bytes, path);
  if (!converted.findings.empty()) {
    throw ToolError(path, converted.findings[0].line, converted.findings[0].reason);
  }
  if (note) *note = converted.note;
  return std::move(converted.bytes);
}

}  // namespace setup::mksetup
