#pragma once
// What a setup program reads out of its own resources, printed in one fixed text form, so
// that the Windows reading (under Wine) and the host reading of the same executable can be
// compared byte for byte.
#include <string>

#include "platform/Resources.h"
#include "platform/Session.h"

namespace setup {

// The setup's start-up through the given resources, with the session's decimal separator for
// the size text; returns the report. Throws SetupError as start-up does.
std::string DescribeResources(Resources& resources, Session& session);

// Writes the report to path (bytes as held); false when the file cannot be written.
bool WriteReport(const std::string& path, const std::string& report);

}  // namespace setup
