#include <cstddef>

#include "UninstallRecords.h"
#include "script/Paths.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"

namespace setup {
namespace {

struct Damage {
  LogDamage damage;
  int line;
};

// The setup writes every record followed by CR LF and nothing else: any other line end, or a
// last record without one, means the file is not what the setup wrote (or was cut short).
std::optional<Damage> CheckLineEnds(const std::string& bytes) {
  int line = 1;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\0') return Damage{LogDamage::NulByte, line};
    if (c == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
      return Damage{LogDamage::BrokenLineEnd, line};
    if (c == '\n' && (i == 0 || bytes[i - 1] != '\r'))
      return Damage{LogDamage::BrokenLineEnd, line};
    if (c == '\n') ++line;
  }
  if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
    return Damage{LogDamage::MissingLineEnd, line};
  return std::nullopt;
}

// A path is read as Windows reads it: folded first, since the setup logs paths as its macros
// gave them ("C:/Apps/X/", "%P..\\Name.lnk", "\\readme.txt" when a shell folder is missing, one
// longer than any file can have). Where it leads is for the removal plan to judge; only a form
// that names no file at all (a device, "\\?\", "\\.\", a character no name can hold) says the
// log is not the setup's.
std::optional<LogDamage> CheckPath(const std::string& path) {
  switch (CheckFullPath(FoldPath(path))) {
    case PathFault::None:
    case PathFault::NotFull:
    case PathFault::TooLong:
      return std::nullopt;
    case PathFault::ForeignForm:
      return LogDamage::ForeignPathForm;
    case PathFault::DeviceName:
      return LogDamage::DeviceName;
  }
  return LogDamage::ForeignPathForm;
}

std::optional<LogDamage> CheckArgument(RecordKind kind, const std::string& argument) {
  if (argument.empty()) return LogDamage::EmptyArgument;
  switch (kind) {
    case RecordKind::Association:
      if (argument.find_first_of("\\.") != std::string::npos) return LogDamage::BadExtension;
      return std::nullopt;
    case RecordKind::Folder:
      if (argument.back() != '\\') {
        if (std::optional<LogDamage> damage = CheckPath(argument)) return damage;
        return LogDamage::FolderWithoutBackslash;
      }
      return CheckPath(argument);
    case RecordKind::File:
      if (argument.back() == '\\') return LogDamage::FileNamingFolder;
      return CheckPath(argument);
  }
  return std::nullopt;
}

// The product name is the last name of the uninstall key: one plain key name, so that removing
// the key can never reach its parent (the whole ...\Uninstall key) or another program's entry.
bool IsPlainKeyName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('\\') == std::string::npos;
}

struct KindCode {
  char code;
  RecordKind kind;
};
constexpr KindCode kKinds[] = {{kFolderRecord, RecordKind::Folder},
                               {kFileRecord, RecordKind::File},
                               {kFileTypeRecord, RecordKind::Association}};

struct LanguageCode {
  char code;
  LogLanguage language;
};
constexpr LanguageCode kLanguages[] = {
    {'G', LogLanguage::German}, {'F', LogLanguage::French}, {'E', LogLanguage::English}};

std::optional<LogLanguage> LanguageOf(const std::string& record) {
  if (record.size() != 2 || record[0] != kLanguageRecord) return std::nullopt;
  for (const LanguageCode& entry : kLanguages)
    if (record[1] == entry.code) return entry.language;
  return std::nullopt;
}

LogReading Damaged(LogDamage damage, int line, std::optional<LogLanguage> language = {}) {
  LogReading reading;
  reading.damage = damage;
  reading.line = line;
  reading.language = language;
  return reading;
}

}  // namespace

LogReading ReadUninstallLog(const std::string& bytes) {
  if (bytes.empty()) return Damaged(LogDamage::NoProductRecord, 1);
  std::vector<std::string> lines = SplitScriptLines(bytes);
  // Known from the second line even when the log is damaged further on, for the message.
  std::optional<LogLanguage> language = lines.size() > 1 ? LanguageOf(lines[1]) : std::nullopt;
  if (std::optional<Damage> damage = CheckLineEnds(bytes))
    return Damaged(damage->damage, damage->line, language);
  if (lines[0].size() < 2 || lines[0][0] != kProductRecord)
    return Damaged(LogDamage::NoProductRecord, 1, language);
  InstalledProduct product;
  product.productName = lines[0].substr(1);
  if (!IsPlainKeyName(product.productName)) return Damaged(LogDamage::BadProductName, 1, language);
  if (!language) return Damaged(LogDamage::NoLanguageRecord, 2);
  product.language = *language;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    int number = static_cast<int>(i) + 1;
    const KindCode* kind = nullptr;
    for (const KindCode& entry : kKinds)
      if (!line.empty() && line[0] == entry.code) kind = &entry;
    if (!kind) return Damaged(LogDamage::UnknownKind, number, language);
    std::string argument = line.substr(1);
    if (std::optional<LogDamage> damage = CheckArgument(kind->kind, argument))
      return Damaged(*damage, number, language);
    product.records.push_back({kind->kind, std::move(argument), number});
  }
  LogReading reading;
  reading.language = language;
  reading.product = std::move(product);
  return reading;
}

}  // namespace setup
