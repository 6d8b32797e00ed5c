#include <cstdio>
#include <filesystem>
#include <set>

#include "Arguments.h"
#include "Commands.h"
#include "FileIo.h"
#include "SetupExe.h"
#include "SourceMap.h"
#include "ToolError.h"
#include "text/ScriptText.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

class OutputSink : public ByteSink {
 public:
  explicit OutputSink(AtomicOutput& out) : out_(out) {}
  void Append(const std::uint8_t* data, std::size_t size) override { out_.Write(data, size); }

 private:
  AtomicOutput& out_;
};

void WriteEntry(const PayloadEntry& entry, const fs::path& target) {
  fs::create_directories(target.parent_path());
  AtomicOutput out(target);
  OutputSink sink(out);
  entry.InflateTo(sink);
  out.Commit();
}

}  // namespace

int ExtractCommand(const std::vector<std::string>& args) {
  const Arguments parsed = ParseArguments(args, {}, {});
  if (parsed.positionals.size() != 2) throw ToolError("usage: extract setup.exe DIR");
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  const fs::path root = parsed.positionals[1];
  const ScriptFile script = ParseScriptFile(
      exe.name + " (SetupInfo)", std::vector<std::uint8_t>(exe.info.begin(), exe.info.end()));
  std::set<std::string> written;  // upper-cased, as Windows would see the names
  std::size_t files = 0;
  WalkPayload(exe, script, [&](const FileLine* line, const PayloadEntry& entry) {
    if (!line) return WriteEntry(entry, root / "licence.txt");
    const std::string what = script.name + ":" + std::to_string(line->number);
    const fs::path target = TargetPath(root, SourceParts(line->path, what));
    if (!written.insert(ToUpperAscii(target.string())).second) {
      std::fprintf(stderr, "%s: warning: \"%s\" was written by an earlier F line; overwritten\n",
                   what.c_str(), line->path.c_str());
    }
    WriteEntry(entry, target);
    ++files;
  });
  std::printf("%s: %zu files and licence.txt written under %s\n", exe.name.c_str(), files,
              root.string().c_str());
  return 0;
}

}  // namespace setup::mksetup
