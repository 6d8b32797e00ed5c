#include "platform/win32/WideText.h"

#include <windows.h>

namespace setup {

namespace {

// The conversions count their lengths as int: a text of 2 GB does not cross the seam.
std::wstring Widened(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), units);
  return wide;
}

}  // namespace

std::wstring Utf16FromUtf8(std::string_view text) {
  return Widened(text, CP_UTF8);
}

std::string Utf8FromAnsiCodePage(std::string_view bytes) {
  return Utf8FromUtf16(Widened(bytes, CP_ACP));
}

std::string Utf8FromUtf16(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), bytes, nullptr, nullptr);
  return narrow;
}

}  // namespace setup
