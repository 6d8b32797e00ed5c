#pragma once
// Bounds-checked reading of the payload's u32 little-endian counts and counted byte runs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/Bytes.h"

namespace setup {

// A read position over a span. Every read checks the bytes left and throws SetupError
// "The setup data is damaged (WHAT at byte N ...)" instead of reading past the end; N is the
// position in the payload (base is where the span starts in it).
class CountedBytesReader {
 public:
  CountedBytesReader(ByteSpan data, std::size_t base) : data_(data), base_(base) {}
  std::size_t Remaining() const { return data_.size() - position_; }
  std::size_t Position() const { return position_; }
  // A u32 that must not exceed 2147483647; what names it in the message ("entry", "block").
  std::uint32_t ReadCount(const char* what);
  // ReadCountedBytes: a count L, then a span of the next L bytes (not copied).
  ByteSpan ReadCountedBytes(const char* what);

 private:
  [[noreturn]] void Damaged(const char* what, std::size_t at, const std::string& reason) const;
  ByteSpan data_;
  std::size_t base_;
  std::size_t position_ = 0;
};

}  // namespace setup
