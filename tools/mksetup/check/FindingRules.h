#pragma once
// Every rule code a finding of check or build can carry: what --allow accepts, and what
// docs/findings.md explains one by one.
#include <string>
#include <vector>

namespace setup::mksetup {

const std::vector<std::string>& RuleCodes();
bool IsRuleCode(const std::string& code);

}  // namespace setup::mksetup
