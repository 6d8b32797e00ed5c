#pragma once
#include <cstdint>
#include <span>

namespace setup {

using ByteSpan = std::span<const std::uint8_t>;

}  // namespace setup
