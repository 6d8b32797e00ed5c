#include "SetupExe.h"

#include "io/FileIo.h"
#include "io/ToolError.h"
#include "pe/ResourceTree.h"
#include "platform/Error.h"
#include "script/ScriptHeader.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"

namespace setup::mksetup {

SetupExe OpenSetupExe(const std::filesystem::path& path) {
  SetupExe exe{path.string(), std::make_shared<MappedFile>(path), {}, {}, std::nullopt};
  const ByteSpan file = exe.image->Bytes();
  const std::optional<ByteSpan> info = FindRcData(file, kScriptResource, exe.name);
  const std::optional<ByteSpan> data = FindRcData(file, kPayloadResource, exe.name);
  if (!info) throw ToolError(exe.name, std::string("it has no RCDATA resource ") + kScriptResource);
  if (!data)
    throw ToolError(exe.name, std::string("it has no RCDATA resource ") + kPayloadResource);
  exe.info = *info;
  exe.data = *data;
  exe.identity = FindRcData(file, kIdentityResource, exe.name);
  return exe;
}

VendorIdentity SetupExe::Identity() const {
  return identity ? ParseVendorIdentity(*identity) : VendorIdentity{};
}

std::unique_ptr<SetupState> ReadSetupState(const std::string& name, ByteSpan script,
                                           const VendorIdentity& identity) {
  auto state = std::make_unique<SetupState>();
  state->Identity = identity;
  state->ScriptLines = SplitScriptLines(script);
  try {
    ReadScriptHeader(*state, ".");
  } catch (const SetupError& error) {
    throw ToolError(name, error.what());
  }
  ReadAddOnCaptions(*state);
  return state;
}

std::uint32_t BlockCount(const PayloadEntry& entry) {
  const ByteSpan body = entry.Body();
  if (body.size() < 4) return 0;
  return body[0] | body[1] << 8 | body[2] << 16 | static_cast<std::uint32_t>(body[3]) << 24;
}

namespace {

std::uint32_t U32At(ByteSpan bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Passes the bytes on and releases the blocks done. The builder cuts every block but the last at
// kPieceSize inflated bytes, so n * kPieceSize bytes out mean n blocks read; a payload built
// otherwise only has its pages given back later or not at all, never too early for the reading,
// since a page given back is read again from the file when touched.
class ReleasingSink : public ByteSink {
 public:
  ReleasingSink(MappedFile& image, ByteSpan body, ByteSink& sink) : image_(image), sink_(sink) {
    if (body.size() < 4) return;
    const std::uint32_t count = U32At(body, 0);
    std::size_t at = 4;
    for (std::uint32_t i = 0; i < count && body.size() - at >= 4; ++i) {
      const std::size_t length = U32At(body, at);
      if (body.size() - at - 4 < length) break;
      at += 4 + length;
      blockEnds_.push_back(body.data() + at);
    }
  }
  void Append(const std::uint8_t* data, std::size_t size) override {
    sink_.Append(data, size);
    out_ += size;
    const std::uint64_t done = out_ / kPieceSize;
    if (done > 0 && done <= blockEnds_.size()) image_.ReleaseBefore(blockEnds_[done - 1]);
  }

 private:
  MappedFile& image_;
  ByteSink& sink_;
  std::vector<const std::uint8_t*> blockEnds_;
  std::uint64_t out_ = 0;
};

}  // namespace

void InflateEntry(const SetupExe& exe, const PayloadEntry& entry, ByteSink& sink) {
  ReleasingSink releasing(*exe.image, entry.Body(), sink);
  entry.InflateTo(releasing);
}

std::size_t WalkPayload(const SetupExe& exe, const ScriptFile& script,
                        const std::function<void(const FileLine*, const PayloadEntry&)>& visit) {
  PayloadReader reader(exe.data);
  try {
    // The pages of entries done are given back, so that memory stays flat over a payload of
    // many files however large it is (InflateEntry does so within one).
    const auto release = [&] { exe.image->ReleaseBefore(exe.data.data() + reader.Position()); };
    visit(nullptr, reader.NextEntry());
    release();
    for (const FileLine& line : FileLines(script)) {
      if (reader.Size() - reader.Position() < 4) {
        throw ToolError(script.name, line.number, "the payload has no entry for this F line");
      }
      visit(&line, reader.NextEntry());
      release();
    }
  } catch (const SetupError& error) {
    throw ToolError(exe.name, error.what());
  }
  return reader.Size() - reader.Position();
}

}  // namespace setup::mksetup
