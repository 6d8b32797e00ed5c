#include "platform/win32/Win32Resources.h"

#include <windows.h>

#include <cstdint>

#include "platform/win32/WideText.h"

namespace setup {

std::optional<ByteSpan> Win32Resources::FindRcData(const std::string& name) {
  HRSRC info =
      FindResourceW(nullptr, Utf16FromUtf8(name).c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!info) return std::nullopt;
  HGLOBAL handle = LoadResource(nullptr, info);
  if (!handle) return std::nullopt;
  // A resource stays mapped for the life of the module; LockResource only yields its address.
  const void* data = LockResource(handle);
  if (!data) return std::nullopt;
  return ByteSpan(static_cast<const std::uint8_t*>(data), SizeofResource(nullptr, info));
}

void Win32Resources::GiveBack(ByteSpan consumed) {
  // Only pages wholly inside the consumed bytes: the first and last may hold bytes still read.
  constexpr std::uintptr_t kPage = 4096;
  const auto begin = reinterpret_cast<std::uintptr_t>(consumed.data());
  const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t last = (begin + consumed.size()) & ~(kPage - 1);
  if (last <= first) return;
  void* const at = reinterpret_cast<void*>(first);
  const SIZE_T size = last - first;
  // On Windows, unlocking pages that were never locked fails (ERROR_NOT_LOCKED) but takes them
  // out of the working set, which is all that is wanted. Wine's VirtualUnlock only unlocks, so
  // the range is also reset: the data is of no more interest, and Wine drops the pages
  // (madvise MADV_DONTNEED). Either call may fail; the run goes on with a larger working set.
  VirtualUnlock(at, size);
  VirtualAlloc(at, size, MEM_RESET, PAGE_NOACCESS);
}

}  // namespace setup
