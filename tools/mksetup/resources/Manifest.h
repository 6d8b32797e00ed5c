#pragma once
// The application manifest of a Windows program: the execution level it asks Windows for.
#include <optional>
#include <string>

#include "pe/ResourceTree.h"

namespace setup::mksetup {

inline constexpr std::uint16_t kRtManifest = 24;

// What Windows does when the program starts: runs it with the caller's token (asInvoker), asks
// an administrator's consent and a standard user nothing (highestAvailable), or asks every user
// for an administrator's password (requireAdministrator).
enum class ExecutionLevel { AsInvoker, HighestAvailable, RequireAdministrator };

std::optional<ExecutionLevel> ParseExecutionLevel(const std::string& text);
const char* ExecutionLevelName(ExecutionLevel level);

// The level attribute of the manifest's requestedExecutionLevel element; nothing without one.
std::optional<std::string> RequestedExecutionLevel(const std::string& manifest);

// The manifest with that level, every other byte kept. Throws ToolError(what: reason) when it
// has no requestedExecutionLevel element with a level attribute.
std::string WithExecutionLevel(const std::string& manifest, ExecutionLevel level,
                               const std::string& what);

// Sets the level in every language of the program's manifest resource. Throws ToolError(what:
// reason) when the program has no manifest or one without an execution level.
void SetExecutionLevel(ResourceTree& tree, ExecutionLevel level, const std::string& what);

}  // namespace setup::mksetup
