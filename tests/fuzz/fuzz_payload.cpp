// The payload reader on arbitrary bytes: every entry inflated into a counting sink until the
// reader stands at the end. A SetupError is a fine answer; a crash or undefined behaviour is not.
#include <cstddef>
#include <cstdint>

#include "payload/PayloadReader.h"
#include "platform/Error.h"

namespace {

class CountingSink : public setup::ByteSink {
 public:
  void Append(const std::uint8_t* data, std::size_t size) override {
    if (size > 0) last = data[size - 1];
    count += size;
  }
  std::size_t count = 0;
  std::uint8_t last = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  setup::PayloadReader reader(setup::ByteSpan(data, size));
  CountingSink sink;
  try {
    while (reader.Size() - reader.Position() >= 4) {
      const std::size_t before = reader.Position();
      reader.NextEntry().InflateTo(sink);
      if (reader.Position() <= before) __builtin_trap();  // the reader must move forward
    }
    reader.NextEntry().InflateTo(sink);
  } catch (const setup::SetupError&) {
  }
  return 0;
}
