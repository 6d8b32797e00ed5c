#pragma once
// Everything the uninstaller says, in the log's language (Windows-1252 text).
#include <string>
#include <vector>

#include "RemovalExecutor.h"
#include "UninstallRecords.h"

namespace setup {

// Damaged or missing log: nothing was removed. logPath names the file.
std::string DamagedLogMessage(LogLanguage language, const std::string& logPath, LogDamage damage,
                              int line);
std::string UninstallCaption(LogLanguage language);
// The question before anything is removed; a Yes starts the removal.
std::string RemoveQuestion(LogLanguage language, const std::string& productName);
// The final message: what was removed, the one list of what was not, and whether the
// uninstaller's own file goes once the message is closed.
std::string FinalMessage(LogLanguage language, const std::string& productName,
                         const std::vector<RemovalProblem>& problems, bool selfRemovalStarted);

}  // namespace setup
