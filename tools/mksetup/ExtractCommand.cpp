#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "Arguments.h"
#include "CommandHelp.h"
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
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("extract"), CommandFlagOptions("extract"));
  if (parsed.positionals.size() != 2) throw ToolError("usage: " + CommandUsage("extract"));
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  const fs::path root = parsed.positionals[1];
  std::error_code error;
  // Files of an earlier product left beside the new ones would be built into the next setup.
  if (fs::exists(root, error) && !fs::is_empty(root, error) && !parsed.Flag("--force")) {
    throw ToolError(root.string(), "the folder is not empty (--force writes into it anyway)");
  }
  const ScriptFile script = ParseScriptFile(
      exe.name + " (SetupInfo)", std::vector<std::uint8_t>(exe.info.begin(), exe.info.end()));
  {
    fs::create_directories(root);
    AtomicOutput out(root / "setup.txt");
    out.Write(script.bytes.data(), script.bytes.size());  // as stored, S value included
    out.Commit();
  }
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
  std::printf("%s: setup.txt, licence.txt and %zu files written under %s\n", exe.name.c_str(),
              files, root.string().c_str());
  return 0;
}

}  // namespace setup::mksetup
