// mksetup uninstall: the uninstaller's own reading of UnInstall.LOG, its plan and its removal,
// run over the simulated Windows that mksetup run left, so that a vendor sees on Linux that the
// product goes again, and what would stay.
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "RemovalExecutor.h"
#include "Uninstaller.h"
#include "dryrun/SimMachine.h"
#include "io/ToolError.h"
#include "platform/sim/SimPlatform.h"
#include "script/Paths.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

// The exit codes: 0 removed, 1 the log refused (nothing removed), a link met or mksetup could
// not start, 2 a command line refused, 3 the question declined, 4 removed with something left or
// refused.
constexpr int kRefused = 1;
constexpr int kDeclined = 3;
constexpr int kLeftSomething = 4;

constexpr const char* kUsage = "usage: uninstall --root DIR [--log PATH] [--drive D=DIR]... [--no]";

// One entry per key ("[ROOT\path]") and per value ("[ROOT\path] "name"=..."), out of the text
// SimRegistry::SaveText writes.
std::set<std::string> RegistryEntries(const std::string& text) {
  std::set<std::string> entries;
  std::string key;
  for (const std::string& line : SplitScriptLines(text)) {
    if (line.empty()) continue;
    if (line[0] == '[') {
      key = line;
      entries.insert(key);
    } else if (!key.empty()) {
      entries.insert(key + " " + line);
    }
  }
  return entries;
}

// Every file and folder of the simulated drives, as Windows paths ("C:\Apps\a.txt", folders
// with a trailing backslash). Links are listed, never followed.
std::set<std::string> DriveEntries(const SimPlatform& sim) {
  std::set<std::string> entries;
  std::vector<char> letters = sim.drives.MappedLetters();
  letters.insert(letters.begin(), 'C');
  for (const char letter : letters) {
    const fs::path folder = sim.drives.DriveFolder(letter);
    std::error_code error;
    if (!fs::is_directory(folder, error)) continue;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
      std::string path =
          std::string(1, letter) + ":\\" + it->path().lexically_relative(folder).string();
      std::replace(path.begin(), path.end(), '/', '\\');
      if (it->is_directory(error) && !it->is_symlink(error)) path += '\\';
      entries.insert(path);
    }
  }
  return entries;
}

std::vector<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::vector<std::string> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

// "C:\...\UnInstall.EXE" of a registration's UninstallString value line, unquoted; empty for
// any other line.
std::string UninstallerOf(const std::string& valueLine) {
  const std::string prefix = "\"UninstallString\"=\"";
  if (valueLine.rfind(prefix, 0) != 0 || valueLine.size() < prefix.size() + 1) return {};
  std::string value;
  for (std::size_t i = prefix.size(); i + 1 < valueLine.size(); ++i) {
    if (valueLine[i] == '\\' && i + 2 < valueLine.size()) ++i;  // \\ and \"
    value += valueLine[i];
  }
  value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
  return value;
}

// The uninstaller of the one registration the machine has, as Windows would start it.
std::string RegisteredUninstaller(const std::string& registryText) {
  std::vector<std::string> found;
  std::string key;
  for (const std::string& line : SplitScriptLines(registryText)) {
    if (!line.empty() && line[0] == '[') {
      key = ToUpperAscii(line);
    } else if (key.find("\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\") != std::string::npos) {
      const std::string uninstaller = UninstallerOf(line);
      if (!uninstaller.empty()) found.push_back(uninstaller);
    }
  }
  if (found.empty()) {
    throw UsageError("no uninstall registration in the simulated registry: give --log PATH");
  }
  if (found.size() > 1) {
    std::string names;
    for (const std::string& name : found) names += "\n  " + name;
    throw UsageError("several uninstall registrations; give --log PATH of one:" + names);
  }
  return found.front();
}

}  // namespace

int UninstallCommand(const std::vector<std::string>& args) {
  Arguments parsed;
  try {
    parsed = ParseArguments(args, {"--root", "--log", "--drive"}, {"--no"});
  } catch (const ToolError& error) {
    throw UsageError(error.what());
  }
  if (!parsed.positionals.empty() || !parsed.Value("--root")) throw UsageError(kUsage);
  const std::map<char, fs::path> drives = DrivesOf(parsed);
  const fs::path root = *parsed.Value("--root");
  const fs::path registryFile = root / "registry.txt";
  std::optional<std::string> registryText;
  try {
    registryText = EarlierRegistry(registryFile);
  } catch (const ToolError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kRefused;
  }
  if (!registryText) {
    throw UsageError(registryFile.string() + " does not exist: mksetup run into " + root.string() +
                     " first");
  }

  SimPlatform sim(root);
  for (const auto& [letter, folder] : drives) sim.drives.MapDrive(letter, folder);
  try {
    sim.registry.LoadText(*registryText);
  } catch (const RegistryTextError& error) {
    std::fprintf(stderr, "%s:%zu: error: %s\n", registryFile.string().c_str(), error.Line(),
                 error.Reason().c_str());
    return kRefused;
  }
  std::string uninstaller;
  if (const auto log = parsed.Value("--log")) {
    uninstaller = FolderPart(*log) + "UnInstall.EXE";
  } else {
    uninstaller = RegisteredUninstaller(*registryText);
  }
  std::printf("uninstalling with %s (simulated under %s)\n", uninstaller.c_str(),
              root.string().c_str());
  std::fflush(stdout);

  // A link below the root or a mapped drive is never followed, as for run: the removal fails
  // there, and the command says which links it met.
  std::set<fs::path> links;
  sim.drives.onLink = [&](const fs::path& link) {
    if (links.insert(link).second) {
      std::fprintf(stderr, "%s: error: a symbolic link, not followed\n", link.string().c_str());
    }
  };
  const std::set<std::string> filesBefore = DriveEntries(sim);
  const std::set<std::string> registryBefore = RegistryEntries(*registryText);
  // The question is answered as --no says; every box is shown where it comes.
  const bool declining = parsed.Flag("--no");
  sim.ui.defaultAnswer = !declining;
  unsigned lastFlags = 0;
  sim.ui.onAsk = [&](const SimQuestion& box, bool answer) {
    lastFlags = box.flags;
    std::fputs(BoxText(box, answer).c_str(), stderr);
  };
  // Windows removes the copy of the uninstaller once it has ended; here that happens at once.
  UninstallerServices services{sim.files, sim.registry, sim.ui, [&](const RemovalPlan& plan) {
                                 RemoveUninstaller(plan.selfPath, plan.selfFolders, sim.files);
                                 return true;
                               }};
  const UninstallOutcome outcome = RunUninstaller(services, uninstaller);
  const std::string registryAfter = sim.registry.SaveText();
  WriteTextFile(registryFile, registryAfter);

  for (const std::string& path : Minus(filesBefore, DriveEntries(sim))) {
    std::printf("removed %s\n", path.c_str());
  }
  const std::set<std::string> registryNow = RegistryEntries(registryAfter);
  for (const std::string& entry : Minus(registryBefore, registryNow)) {
    std::printf("removed %s\n", entry.c_str());
  }
  for (const std::string& entry : Minus(registryNow, registryBefore)) {
    std::printf("added %s\n", entry.c_str());
  }
  if (!links.empty()) {
    std::fprintf(stderr, "%zu symbolic links met below the root or a mapped drive\n", links.size());
    return kRefused;
  }
  switch (outcome) {
    case UninstallOutcome::LogRejected:
      std::printf("the uninstaller refused the log: nothing was removed\n");
      return kRefused;
    case UninstallOutcome::Declined:
      std::printf("the question was answered No: nothing was removed\n");
      return kDeclined;
    case UninstallOutcome::Removed:
      break;
  }
  if (lastFlags == kWarning) {
    std::printf("removed, with something left or refused (see the last message box)\n");
    return kLeftSomething;
  }
  std::printf("removed\n");
  return 0;
}

}  // namespace setup::mksetup
