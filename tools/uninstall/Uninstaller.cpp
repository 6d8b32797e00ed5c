#include "Uninstaller.h"

#include <memory>

#include "RemovalExecutor.h"
#include "UninstallRecords.h"
#include "UninstallTexts.h"
#include "script/Paths.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "text/Sha256.h"
#include "text/Utf8.h"

namespace setup {
namespace {

// What the registration that the log's N record names says of this log. The log lies where a
// user may write, the registration where only an administrator can.
enum class Registration {
  Confirmed,     // it names this UnInstall.EXE and holds the digest of these very bytes
  Rewritten,     // it names this UnInstall.EXE and the digest of other bytes
  Unconfirmed,   // it names this UnInstall.EXE but holds no digest (a registration cut short)
  OtherProgram,  // it names another program: another product's, never removed from here
  Absent,
};

std::string Unquoted(std::string command) {
  const std::size_t first = command.find_first_not_of(' ');
  const std::size_t last = command.find_last_not_of(' ');
  if (first == std::string::npos) return {};
  command = command.substr(first, last - first + 1);
  if (command.size() >= 2 && command.front() == '"' && command.back() == '"')
    command = command.substr(1, command.size() - 2);
  return command;
}

Registration CheckRegistration(Registry& registry, const PathCompare& paths,
                               const std::string& productName, const std::string& uninstallerPath,
                               const std::string& logBytes) {
  std::unique_ptr<RegistryKey> key =
      registry.OpenKey(RegistryRoot::LocalMachine, UninstallKeyPath(productName));
  if (!key) return Registration::Absent;
  if (!paths.Same(Unquoted(key->ReadString("UninstallString")), uninstallerPath))
    return Registration::OtherProgram;
  const std::string digest = key->ReadString(kLogDigestValue);
  if (digest.empty()) return Registration::Unconfirmed;
  return ToUpperAscii(digest) == ToUpperAscii(Sha256Hex(logBytes)) ? Registration::Confirmed
                                                                   : Registration::Rewritten;
}

// Only the registration that names this program is this installation's to remove.
void KeepForeignKey(RemovalPlan& plan, Registration registration) {
  if (registration == Registration::Confirmed || registration == Registration::Unconfirmed) return;
  for (auto step = plan.steps.begin(); step != plan.steps.end(); ++step) {
    if (step->kind != StepKind::UninstallKey) continue;
    if (registration == Registration::OtherProgram)
      plan.leftAlone.push_back("HKEY_LOCAL_MACHINE\\" + step->target);
    plan.steps.erase(step);
    return;
  }
}

bool OutsideDestination(const RemovalStep& step, const std::string& destination,
                        const PathCompare& paths) {
  switch (step.kind) {
    case StepKind::Association:
      return true;
    case StepKind::File:
    case StepKind::Folder:
      return !paths.SameOrInside(step.target, destination);
    case StepKind::UninstallKey:
    case StepKind::Log:
      break;
  }
  return false;
}

// Without a registration that vouches for the log, the user decides whether anything outside the
// destination goes; a No leaves it all alone.
void KeepOutsideUnlessAllowed(RemovalPlan& plan, const std::string& destination,
                              const PathCompare& paths, UninstallerServices& services,
                              LogLanguage language, const std::string& productName) {
  std::vector<RemovalStep> inside;  // the steps kept whatever the answer
  std::vector<std::string> outside;
  for (const RemovalStep& step : plan.steps) {
    if (OutsideDestination(step, destination, paths)) {
      outside.push_back(step.kind == StepKind::Association ? "." + step.target : step.target);
    } else {
      inside.push_back(step);
    }
  }
  std::vector<std::string> selfFolders;
  for (const std::string& folder : plan.selfFolders) {
    if (OutsideDestination({StepKind::Folder, folder}, destination, paths)) {
      outside.push_back(folder);
    } else {
      selfFolders.push_back(folder);
    }
  }
  if (outside.empty() ||
      services.ui.AskUser(UninstallCaption(language),
                          OutsideQuestion(language, productName, destination, outside),
                          kYesNoQuestion)) {
    return;
  }
  plan.steps = std::move(inside);
  plan.selfFolders = std::move(selfFolders);
  plan.leftAlone.insert(plan.leftAlone.end(), outside.begin(), outside.end());
}

}  // namespace

UninstallOutcome RunUninstaller(UninstallerServices& services, const std::string& uninstallerPath) {
  const std::string destination = FolderPart(uninstallerPath);
  const std::string logPath = destination + kLogFileName;
  std::optional<std::string> bytes = services.files.ReadFileBytes(logPath);
  // Logs are UTF-8; one that is not was written before, in the ANSI code page of this machine.
  LogReading reading =
      bytes ? ReadUninstallLog(IsValidUtf8(*bytes) ? *bytes : services.files.Utf8FromAnsi(*bytes))
            : LogReading{};
  if (!bytes) reading.damage = LogDamage::Missing;
  LogLanguage language = reading.language.value_or(LogLanguage::English);
  if (!reading.product) {
    services.ui.AskUser(UninstallCaption(language),
                        DamagedLogMessage(language, logPath, reading.damage, reading.line),
                        kWarning);
    return UninstallOutcome::LogRejected;
  }
  const InstalledProduct& product = *reading.product;
  // Every path compared as the file system compares it: short names resolved, its case folding.
  const PathKey key = [&files = services.files](const std::string& path) {
    return files.ComparisonKey(path);
  };
  const PathCompare paths(key);
  const Registration registration =
      CheckRegistration(services.registry, paths, product.productName, uninstallerPath, *bytes);
  if (registration == Registration::Rewritten) {
    services.ui.AskUser(UninstallCaption(language),
                        RewrittenLogMessage(language, logPath, product.productName), kWarning);
    return UninstallOutcome::LogRejected;
  }
  if (!services.ui.AskUser(UninstallCaption(language),
                           RemoveQuestion(language, product.productName), kYesNoQuestion))
    return UninstallOutcome::Declined;

  RemovalBounds bounds = ReadRemovalBounds(services.registry);
  bounds.key = key;
  RemovalPlan plan = MakeRemovalPlan(product, uninstallerPath, bounds);
  KeepForeignKey(plan, registration);
  if (registration != Registration::Confirmed)
    KeepOutsideUnlessAllowed(plan, destination, paths, services, language, product.productName);
  std::vector<RemovalProblem> problems =
      ExecuteRemoval(plan.steps, services.files, services.registry, plan.productFiles);
  for (const std::string& path : plan.leftAlone) problems.push_back({ProblemKind::LeftAlone, path});
  bool selfRemoval =
      !plan.selfPath.empty() && services.startSelfRemoval && services.startSelfRemoval(plan);
  if (!plan.selfPath.empty() && !selfRemoval)
    problems.push_back({ProblemKind::FileNotRemoved, plan.selfPath});
  services.ui.AskUser(UninstallCaption(language),
                      FinalMessage(language, product.productName, problems, selfRemoval),
                      problems.empty() ? kInformation : kWarning);
  return UninstallOutcome::Removed;
}

}  // namespace setup
