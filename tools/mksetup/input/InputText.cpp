#include "InputText.h"

#include <cstdio>

#include "io/FileIo.h"
#include "io/Text1252.h"
#include "io/ToolError.h"

namespace setup::mksetup {
namespace {

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> head) {
  return bytes.size() >= head.size() && std::equal(head.begin(), head.end(), bytes.begin());
}

// The length of the UTF-8 sequence at bytes[at] and its character; 0 when it is not valid.
std::size_t DecodeUtf8(const std::vector<std::uint8_t>& bytes, std::size_t at, char32_t& code) {
  const std::uint8_t lead = bytes[at];
  std::size_t length = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[at + i] & 0xC0) != 0x80) return 0;
    code = code << 6 | (bytes[at + i] & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

std::string CodePoint(char32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
  return text;
}

// Line and column (1-based, in characters) while walking a text.
struct Position {
  std::size_t line = 1, column = 1;
  void Advance(std::uint8_t byte, std::uint8_t next) {
    if (byte == '\n' || (byte == '\r' && next != '\n')) {
      ++line, column = 1;
    } else if (byte != '\r') {
      ++column;
    }
  }
};

std::string LineText(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  std::size_t start = at, end = at;
  while (start > 0 && bytes[start - 1] != '\n' && bytes[start - 1] != '\r') --start;
  while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
  return std::string(bytes.begin() + start, bytes.begin() + end);
}

}  // namespace

InputEncoding ParseInputEncoding(const std::string& name) {
  if (name == "utf-8" || name == "UTF-8" || name == "utf8") return InputEncoding::Utf8;
  if (name == "windows-1252" || name == "cp1252") return InputEncoding::Windows1252;
  throw UsageError("usage: --input-encoding is utf-8 or windows-1252, not " + name);
}

std::vector<Finding> EncodingFindings(const std::vector<std::uint8_t>& bytes,
                                      const std::string& file, const std::string& what) {
  const std::string mend = "; save it as Windows-1252 or give --input-encoding utf-8";
  const auto finding = [&](std::size_t line, const std::string& reason) {
    return std::vector<Finding>{{line, Severity::Error, reason, "encoding", file}};
  };
  if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
    return finding(1, "the " + what +
                          " is UTF-8 with a byte-order mark: the setup reads its first bytes as "
                          "text (the first line no longer offers a language)" +
                          mend);
  }
  const bool little = StartsWith(bytes, {0xFF, 0xFE}) || (bytes.size() >= 2 && bytes[1] == 0);
  const bool big = StartsWith(bytes, {0xFE, 0xFF}) || (bytes.size() >= 2 && bytes[0] == 0);
  if (little || big) {
    return finding(1, "the " + what + " is UTF-16 (" + (little ? "little" : "big") +
                          "-endian): the setup reads Windows-1252 bytes and stops at the first "
                          "NUL; save it as Windows-1252");
  }
  Position at;
  bool multiByte = false;
  std::size_t firstLine = 0, firstAt = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t code = 0;
    const std::size_t length = DecodeUtf8(bytes, i, code);
    if (length == 0) return {};  // not UTF-8: Windows-1252 as it should be
    if (length > 1 && !multiByte) multiByte = true, firstLine = at.line, firstAt = i;
    for (std::size_t k = 0; k < length; ++k, ++i) {
      at.Advance(bytes[i], i + 1 < bytes.size() ? bytes[i + 1] : 0);
    }
  }
  if (!multiByte) return {};
  const std::string line = LineText(bytes, firstAt);
  return finding(firstLine, "the " + what + " is UTF-8: \"" + line +
                                "\" would be read as Windows-1252, \"" + Utf8From1252(line) + "\"" +
                                mend);
}

std::optional<std::string> NameIn1252(const std::string& hostName, std::string& missing) {
  const std::vector<std::uint8_t> bytes(hostName.begin(), hostName.end());
  std::string out;
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t code = 0;
    const std::size_t length = DecodeUtf8(bytes, i, code);
    if (length == 0) return hostName;  // no UTF-8: the bytes are the code page's
    const std::optional<char> byte = To1252(code);
    if (!byte) {
      missing = CodePoint(code);
      return std::nullopt;
    }
    out.push_back(*byte);
    i += length;
  }
  return out;
}

ConvertedText ConvertUtf8To1252(const std::vector<std::uint8_t>& utf8, const std::string& file) {
  ConvertedText out;
  std::size_t i = StartsWith(utf8, {0xEF, 0xBB, 0xBF}) ? 3 : 0;
  Position at;
  while (i < utf8.size()) {
    char32_t code = 0;
    const std::size_t length = DecodeUtf8(utf8, i, code);
    const auto fail = [&](const std::string& what) {
      out.findings.push_back({at.line, Severity::Error,
                              "column " + std::to_string(at.column) + ": " + what, "encoding",
                              file});
    };
    if (length == 0) {
      fail("byte " + std::to_string(utf8[i]) + " is not UTF-8");
      out.bytes.push_back('?');
      at.Advance(utf8[i], 0);
      ++i;
      continue;
    }
    if (const std::optional<char> byte = To1252(code)) {
      out.bytes.push_back(static_cast<std::uint8_t>(*byte));
    } else {
      fail("the character " + CodePoint(code) + " is not in Windows-1252");
      out.bytes.push_back('?');
    }
    at.Advance(utf8[i], i + length < utf8.size() ? utf8[i + length] : 0);
    i += length;
  }
  return out;
}

std::vector<std::uint8_t> ReadInputText(const std::string& path, InputEncoding encoding) {
  std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  if (encoding == InputEncoding::Windows1252) return bytes;
  ConvertedText converted = ConvertUtf8To1252(bytes, path);
  if (!converted.findings.empty()) {
    throw ToolError(path, converted.findings[0].line, converted.findings[0].reason);
  }
  return std::move(converted.bytes);
}

}  // namespace setup::mksetup
