// The checks of the vendor's pictures over arbitrary bytes: a reason or a picture the dialog can
// show, never a crash. The first byte picks the picture the rest is given as.
#include <cstddef>
#include <cstdint>

#include "resources/VendorPictures.h"

namespace {

using namespace setup::mksetup;

std::uint64_t Row(std::uint64_t width, std::uint64_t bits) {
  return (width * bits + 31) / 32 * 4;
}

// What a caller relies on: the packed form is exactly header, palette and pixels of its size.
void CheckPacked(const std::vector<std::uint8_t>& packed, const PictureSlot& slot) {
  if (packed.size() < 40) __builtin_trap();
  const unsigned bits = packed[14] | packed[15] << 8;
  const std::uint64_t colours = packed[32] | packed[33] << 8;
  const std::uint64_t expected =
      40 + 4 * colours + Row(static_cast<std::uint64_t>(slot.width), bits) * slot.height;
  if (packed.size() != expected) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::vector<PictureSlot>& slots = PictureSlots();
  const std::size_t pick = data[0] % (slots.size() + 1);
  const PictureSlot* slot = pick < slots.size() ? &slots[pick] : nullptr;
  const setup::ByteSpan bytes(data + 1, size - 1);
  std::string reason;
  if (slot && !slot->isIcon) {
    const auto packed = PackedBitmap(bytes, *slot, reason);
    if (packed.has_value() == !reason.empty()) __builtin_trap();
    if (packed) CheckPacked(*packed, *slot);
  } else {
    const auto images = ReadIconFile(bytes, slot, reason);
    if (images.has_value() == !reason.empty()) __builtin_trap();
    if (images) {
      ResourceTree tree;
      ApplyVendorPictures({{slot, "fuzz", {}, *images}}, tree);
      ApplyVendorPictures({{slot, "fuzz", {}, *images}}, tree);  // replacing what it put
    }
  }
  return 0;
}
