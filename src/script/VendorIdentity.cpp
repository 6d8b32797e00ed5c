#include "script/VendorIdentity.h"

#include <algorithm>
#include <iterator>

#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

void SetUninstallValue(VendorIdentity& identity, const std::string& name,
                       const std::string& value) {
  const auto kind = std::find_if(std::begin(kUninstallValueKinds), std::end(kUninstallValueKinds),
                                 [&](const UninstallValueKind& k) { return name == k.name; });
  if (kind == std::end(kUninstallValueKinds)) return;
  std::vector<UninstallValue>& values = identity.uninstallValues;
  std::erase_if(values, [&](const UninstallValue& v) { return v.name == name; });
  values.push_back({name, value, kind->number});
  const auto rank = [](const UninstallValue& v) {
    return std::find_if(std::begin(kUninstallValueKinds), std::end(kUninstallValueKinds),
                        [&](const UninstallValueKind& k) { return v.name == k.name; }) -
           std::begin(kUninstallValueKinds);
  };
  std::stable_sort(
      values.begin(), values.end(),
      [&](const UninstallValue& a, const UninstallValue& b) { return rank(a) < rank(b); });
}

}  // namespace

const std::string& VendorIdentity::AddOnCaption(char language) const {
  if (language == 'G') return addOnCaptionGerman;
  if (language == 'F') return addOnCaptionFrench;
  return addOnCaptionEnglish;
}

VendorIdentity ParseVendorIdentity(ByteSpan text) {
  VendorIdentity identity;
  const std::pair<const char*, std::string*> fields[] = {
      {kStartMenuFolderName, &identity.startMenuFolder},
      {kAddOnKeyName, &identity.addOnKey},
      {kAddOnCaptionGermanName, &identity.addOnCaptionGerman},
      {kAddOnCaptionEnglishName, &identity.addOnCaptionEnglish},
      {kAddOnCaptionFrenchName, &identity.addOnCaptionFrench},
  };
  for (std::string line : SplitScriptLines(DecodeScriptText(text))) {
    if (line.find('=') == std::string::npos) continue;
    const std::string name = SplitFirst(line, "=");
    const auto field = std::find_if(std::begin(fields), std::end(fields),
                                    [&](const auto& f) { return name == f.first; });
    if (field != std::end(fields)) {
      *field->second = line;
    } else {
      SetUninstallValue(identity, name, line);
    }
  }
  return identity;
}

VendorIdentity ReadVendorIdentity(Resources& resources) {
  const std::optional<ByteSpan> text = resources.FindRcData(kIdentityResource);
  return text ? ParseVendorIdentity(*text) : VendorIdentity{};
}

}  // namespace setup
