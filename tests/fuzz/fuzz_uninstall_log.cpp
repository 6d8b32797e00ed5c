// The uninstaller's log reader on arbitrary bytes: a log it trusts, or a damage with the line it
// was found on; never a crash, and never a trusted log with a record it could not have read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "UninstallRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const setup::LogReading reading = setup::ReadUninstallLog(bytes);
  if (reading.product.has_value() != (reading.damage == setup::LogDamage::None)) __builtin_trap();
  if (reading.line < 0 || static_cast<std::size_t>(reading.line) > size + 1) __builtin_trap();
  if (reading.product) {
    for (const setup::LogRecord& record : reading.product->records) {
      if (record.argument.empty() || record.line < 3) __builtin_trap();
      if (record.argument.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
