#pragma once
// The one record of values for the whole run of the setup program.
#include <memory>
#include <string>
#include <vector>

#include "script/VendorIdentity.h"

namespace setup {

class PayloadReader;
class UninstallLog;

struct LanguageFlags {
  bool German = false;
  bool English = false;
  bool French = false;
};

struct SetupState {
  SetupState();
  ~SetupState();
  SetupState(const SetupState&) = delete;
  SetupState& operator=(const SetupState&) = delete;

  VendorIdentity Identity;  // the built-in one until the start-up reads the module's
  std::vector<std::string> ScriptLines;
  std::string ProductName;
  std::string VersionText;
  std::string SizeText;
  std::string DefaultSubFolder;
  std::string MainProgram;
  std::string ReadMeGerman, ReadMeEnglish, ReadMeFrench;
  std::string ReadMeFile;
  char PreselectedLanguage = '*';
  LanguageFlags LanguagesOffered;
  bool AddOnTicked = false;
  std::string AddOnCaptionGerman, AddOnCaptionEnglish, AddOnCaptionFrench;
  std::string UserName;
  std::string ProgramFilesFolder;
  std::string FreeSpaceText, TotalSpaceText;
  std::string DestinationFolder;  // %S
  std::string AppDataFolder;      // %A
  std::string DesktopFolder;      // %D
  std::string ProgramsFolder;     // %P
  std::string QuickLaunchFolder;  // %Q
  std::unique_ptr<PayloadReader> Payload;
  std::unique_ptr<UninstallLog> Log;
};

}  // namespace setup
