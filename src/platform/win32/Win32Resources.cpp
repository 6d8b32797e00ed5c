#include "platform/win32/Win32Resources.h"

#include <windows.h>

namespace setup {

std::optional<ByteSpan> Win32Resources::FindRcData(const std::string& name) {
  HRSRC info = FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!info) return std::nullopt;
  HGLOBAL handle = LoadResource(nullptr, info);
  if (!handle) return std::nullopt;
  // A resource stays mapped for the life of the module; LockResource only yields its address.
  const void* data = LockResource(handle);
  if (!data) return std::nullopt;
  return ByteSpan(static_cast<const std::uint8_t*>(data), SizeofResource(nullptr, info));
}

}  // namespace setup
