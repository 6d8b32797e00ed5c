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
// The log's bytes are not those whose digest the installation registered: nothing was removed.
std::string RewrittenLogMessage(LogLanguage language, const std::string& logPath,
                                const std::string& productName);
std::string UninstallCaption(LogLanguage language);
// The question before anything is removed; a Yes starts the removal.
std::string RemoveQuestion(LogLanguage language, const std::string& productName);
// Asked when no registration vouches for the log and it names something outside the
// destination: a Yes removes those too, a No only what lies in the destination.
std::string OutsideQuestion(LogLanguage language, const std::string& productName,
                            const std::string& destination,
                            const std::vector<std::string>& outside);
// The final message: what was removed, the one list of what was not, and whether the
// uninstaller's own file goes once the message is closed.
std::string FinalMessage(LogLanguage language, const std::string& productName,
                         const std::vector<RemovalProblem>& problems, bool selfRemovalStarted);

}  // namespace setup
