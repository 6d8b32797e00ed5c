#include "install/UninstallLog.h"

#include "platform/Error.h"
#include "platform/FileSystem.h"

namespace setup {

std::string UninstallLog::Bytes() const {
  std::string bytes;
  for (const std::string& record : records_) bytes += record + "\r\n";
  return bytes;
}

void UninstallLog::Save(FileSystem& files, const std::string& path) const {
  std::unique_ptr<OutputFile> file = files.CreateFileExclusive(path);
  if (!file) throw SetupError("Cannot create file " + path);
  const std::string bytes = Bytes();
  file->Append(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace setup
