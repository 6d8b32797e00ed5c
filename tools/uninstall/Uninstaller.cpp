#include "Uninstaller.h"

#include "RemovalExecutor.h"
#include "UninstallRecords.h"
#include "UninstallTexts.h"
#include "script/Paths.h"
#include "text/FileFormat.h"

namespace setup {

UninstallOutcome RunUninstaller(UninstallerServices& services, const std::string& uninstallerPath) {
  const std::string logPath = FolderPart(uninstallerPath) + kLogFileName;
  std::optional<std::string> bytes = services.files.ReadFileBytes(logPath);
  LogReading reading = bytes ? ReadUninstallLog(*bytes) : LogReading{};
  if (!bytes) reading.damage = LogDamage::Missing;
  LogLanguage language = reading.language.value_or(LogLanguage::English);
  if (!reading.product) {
    services.ui.AskUser(UninstallCaption(language),
                        DamagedLogMessage(language, logPath, reading.damage, reading.line),
                        kWarning);
    return UninstallOutcome::LogRejected;
  }
  const InstalledProduct& product = *reading.product;
  if (!services.ui.AskUser(UninstallCaption(language),
                           RemoveQuestion(language, product.productName), kYesNoQuestion))
    return UninstallOutcome::Declined;

  RemovalPlan plan =
      MakeRemovalPlan(product, uninstallerPath, ReadRemovalBounds(services.registry));
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
