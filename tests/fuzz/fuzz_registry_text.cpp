// The simulated registry's text reader on arbitrary bytes, as mksetup run reads a registry.txt
// that anyone could have written: a damage named by a line of the text, or a registry whose saved
// text reads again and saves the same bytes; never a crash.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sim/SimRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  setup::SimRegistry registry;
  try {
    registry.LoadText(text);
  } catch (const setup::RegistryTextError& error) {
    const std::size_t breaks =
        std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r');
    if (error.Line() == 0 || error.Line() > breaks + 1 || error.Reason().empty()) __builtin_trap();
    return 0;
  }
  const std::string saved = registry.SaveText();
  setup::SimRegistry again;
  again.LoadText(saved);  // a text SaveText wrote always reads: an error here is a crash
  if (again.SaveText() != saved) __builtin_trap();
  return 0;
}
