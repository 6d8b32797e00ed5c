#pragma once
// What a vendor may change of the setup's identity beside its pictures: the start-menu folder of
// the main program's shortcut, the add-on key with its built-in captions, and the extra values of
// the uninstall registration. mksetup build --identity stores them as the RCDATA resource
// kIdentityResource, one "Name=Value" line each (Windows-1252, CR LF), only those the vendor set.
// Whatever the resource leaves out, or all of it when there is none, is the built-in value, so a
// setup.exe built without one behaves as it always did. Lines of other names belong to mksetup
// (the version resource's texts) and are passed over here.
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "text/Bytes.h"

namespace setup {

inline constexpr const char* kIdentityResource = "SetupIdentity";

// The names of the lines the setup itself reads.
inline constexpr const char* kStartMenuFolderName = "StartMenuFolder";
inline constexpr const char* kAddOnKeyName = "AddOnKey";
inline constexpr const char* kAddOnCaptionGermanName = "AddOnCaptionGerman";
inline constexpr const char* kAddOnCaptionEnglishName = "AddOnCaptionEnglish";
inline constexpr const char* kAddOnCaptionFrenchName = "AddOnCaptionFrench";

// The uninstall registration's extra values, in the order they are written. Numbers become
// REG_DWORD, the rest REG_SZ; only DisplayIcon takes the macros, since it names an installed file.
struct UninstallValueKind {
  const char* name;
  bool number;
};
inline constexpr UninstallValueKind kUninstallValueKinds[] = {
    {"DisplayVersion", false}, {"Publisher", false},    {"DisplayIcon", false},
    {"EstimatedSize", true},   {"URLInfoAbout", false}, {"NoModify", true},
    {"NoRepair", true}};
inline constexpr const char* kMacroUninstallValue = "DisplayIcon";

struct UninstallValue {
  std::string name, value;
  bool number = false;
};

struct VendorIdentity {
  std::string startMenuFolder = "VELTRO 5107!";  // below %P, without the trailing backslash
  // T lines of this key set the captions; E lines naming it (in upper case) run only with the
  // add-on ticked.
  std::string addOnKey = "KORVALT";
  // Shown when no T line gives one. Literal: no blank before "(" in English, two in French.
  std::string addOnCaptionGerman = "Korvalt-Autorouter installieren (Demo-Version)";
  std::string addOnCaptionEnglish = "Install Korvalt autorouter(demo version)";
  std::string addOnCaptionFrench = "Installer autorouteur Korvalt  (version demo)";
  std::vector<UninstallValue> uninstallValues;  // those set, in kUninstallValueKinds order

  std::string StartMenuPath() const { return startMenuFolder + "\\"; }
  // The built-in caption of a language letter (G, E, F; E for any other).
  const std::string& AddOnCaption(char language) const;
};

// The identity a resource text sets over the built-in one. A line without "=" or of a name the
// setup does not read changes nothing; a name given twice takes its last value.
VendorIdentity ParseVendorIdentity(ByteSpan text);

// The module's kIdentityResource read by ParseVendorIdentity; the built-in identity without one.
VendorIdentity ReadVendorIdentity(Resources& resources);

}  // namespace setup
