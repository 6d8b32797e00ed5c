#include <cstdio>
#include <exception>
#include <optional>
#include <vector>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "input/ScriptFile.h"
#include "input/SourceMap.h"
#include "io/MappedFile.h"
#include "io/ToolError.h"
#include "pe/PeFile.h"
#include "pe/Signature.h"
#include "setupexe/Build.h"
#include "setupexe/SetupExe.h"
#include "setupexe/Sign.h"

namespace setup::mksetup {
namespace {

// An uninstaller is a few hundred KB; a payload entry claiming more is not read whole.
constexpr std::size_t kLongestUninstaller = 64u << 20;

class CappedSink : public ByteSink {
 public:
  void Append(const std::uint8_t* bytes, std::size_t size) override {
    if (size > kLongestUninstaller - data.size()) throw ToolError("larger than 64 MB");
    data.insert(data.end(), bytes, bytes + size);
  }
  std::vector<std::uint8_t> data;
};

// The signature of the UnInstall.EXE the payload carries for %S, which the registration starts;
// nothing when there is none, or it cannot be read (list and extract say why).
std::optional<SignatureInfo> InnerUninstallerSignature(const SetupExe& exe) {
  try {
    const ScriptFile script =
        ParseScriptFile(exe.name, std::vector<std::uint8_t>(exe.info.begin(), exe.info.end()));
    std::optional<SignatureInfo> found;
    WalkPayload(exe, script, [&](const FileLine* line, const PayloadEntry& entry) {
      if (line == nullptr || found || !IsUninstallerSource(SourceParts(line->path, exe.name))) {
        return;
      }
      CappedSink sink;
      entry.InflateTo(sink);
      found = ReadSignature(ByteSpan(sink.data), "UnInstall.EXE");
    });
    return found;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

int SignCommand(const std::vector<std::string>& args) {
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("sign"), CommandFlagOptions("sign"));
  if (parsed.positionals.size() != 1) throw UsageError("usage: " + CommandUsage("sign"));
  std::optional<SignOptions> options = SignOptionsFrom(parsed);
  if (!options) throw UsageError("usage: sign needs --sign-cert and --sign-key");
  const std::string file = parsed.positionals[0];
  {
    const MappedFile image(file);
    ReadPeLayout(image.Bytes(), file);  // osslsigncode's word for a non-PE file is less clear
  }
  std::optional<SignatureInfo> inner;
  try {  // a setup.exe is called by its product name, as build calls it
    const SetupExe exe = OpenSetupExe(file);
    options->description = ReadSetupState(file, exe.info, exe.Identity())->ProductName;
    inner = InnerUninstallerSignature(exe);
  } catch (const ToolError&) {
  }
  SignFile(*options, file, file, file);
  const MappedFile image(file);
  std::printf("%s: %s\n", file.c_str(), SignatureText(ReadSignature(image.Bytes(), file)).c_str());
  // Signing in place leaves the payload as it is: rewriting it would be a second build, with
  // none of the build's sources at hand. Windows shows the uninstaller's publisher too, so say
  // when it has none.
  if (inner && !inner->present) {
    std::fprintf(stderr,
                 "%s: warning: the UnInstall.EXE inside is not signed; mksetup sign signs only "
                 "setup.exe itself: build with --sign-cert and --sign-key to sign both\n",
                 file.c_str());
  }
  return 0;
}

}  // namespace setup::mksetup
