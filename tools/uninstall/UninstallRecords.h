#pragma once
// UnInstall.LOG as the uninstaller reads it: the product, the language and the undo records.
#include <optional>
#include <string>
#include <vector>

namespace setup {

enum class LogLanguage { German, French, English };

enum class RecordKind { Folder, File, Association };

struct LogRecord {
  RecordKind kind;
  std::string argument;  // a folder with its trailing backslash, a file path, an extension
  int line = 0;          // 1-based line of the record in the log
};

struct InstalledProduct {
  std::string productName;
  LogLanguage language = LogLanguage::English;
  std::vector<LogRecord> records;  // the D, F and X records in log order
};

// Why a log is not trusted; the uninstaller then removes nothing.
enum class LogDamage {
  None,
  Missing,           // the file cannot be read
  MissingLineEnd,    // the last record has no CR LF: the log was cut short
  BrokenLineEnd,     // a CR without LF or an LF without CR
  NulByte,           // a NUL byte: not a text log
  NoProductRecord,   // the first record is not N, or names no product
  NoLanguageRecord,  // the second record is not LG, LF or LE
  UnknownKind,       // a record whose kind is not D, F or X (N and L only at their places)
  EmptyArgument,     // a D, F or X record with nothing after its kind
  FileNamingFolder,  // an F path ending in a backslash: no file the setup can have written
  FolderWithoutBackslash,
  BadExtension,     // an extension holding a backslash or a dot
  ForeignPathForm,  // a path naming no file even when folded ("\\?\", "\\.\", "*", ":")
  DeviceName,       // a path naming a device (CON, NUL, COM1...)
  BadProductName,   // a product name that is no plain key name (a backslash, "." or "..")
};

struct LogReading {
  std::optional<InstalledProduct> product;  // set only when damage is None
  LogDamage damage = LogDamage::None;
  int line = 0;                         // where the damage was found; 0 for the whole file
  std::optional<LogLanguage> language;  // known when the L record was readable
};

// Reads and checks the bytes of UnInstall.LOG. Anything but a complete, well-formed log is
// reported as damaged, so that a half-written or foreign file never leads to a removal.
LogReading ReadUninstallLog(const std::string& bytes);

}  // namespace setup
