#include "payload/CountedBytes.h"

#include "platform/Error.h"
#include "text/FileFormat.h"

namespace setup {

void CountedBytesReader::Damaged(const char* what, std::size_t at,
                                 const std::string& reason) const {
  throw SetupError("The setup data is damaged (" + std::string(what) + " at byte " +
                   std::to_string(base_ + at) + " " + reason + ")");
}

std::uint32_t CountedBytesReader::ReadCount(const char* what) {
  if (Remaining() < 4) Damaged(what, position_, "runs past the end");
  const std::uint8_t* p = data_.data() + position_;
  const std::uint32_t value =
      static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
      static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  if (value > kLargestCount) {
    Damaged(what, position_,
            "has a length of " + std::to_string(value) + ", over " + std::to_string(kLargestCount));
  }
  position_ += 4;
  return value;
}

ByteSpan CountedBytesReader::ReadCountedBytes(const char* what) {
  const std::size_t start = position_;
  const std::uint32_t length = ReadCount(what);
  if (Remaining() < length) Damaged(what, start, "runs past the end");
  const ByteSpan bytes = data_.subspan(position_, length);
  position_ += length;
  return bytes;
}

}  // namespace setup
