#include <cstdio>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "io/MappedFile.h"
#include "io/Text1252.h"
#include "io/ToolError.h"
#include "pe/PeFile.h"
#include "pe/Signature.h"
#include "setupexe/SetupExe.h"
#include "setupexe/Sign.h"

namespace setup::mksetup {

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
  try {  // a setup.exe is called by its product name, as build calls it
    const SetupExe exe = OpenSetupExe(file);
    options->description =
        Utf8From1252(ReadSetupState(file, exe.info, exe.Identity())->ProductName);
  } catch (const ToolError&) {
  }
  SignFile(*options, file, file, file);
  const MappedFile image(file);
  std::printf("%s: %s\n", file.c_str(), SignatureText(ReadSignature(image.Bytes(), file)).c_str());
  return 0;
}

}  // namespace setup::mksetup
