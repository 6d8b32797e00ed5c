#include "test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace setup::test {
namespace {

namespace fs = std::filesystem;

fs::path ProcessFolder() {
  static const fs::path folder =
      fs::temp_directory_path() / ("setup_unit_tests_" + std::to_string(::getpid()));
  return folder;
}

// Nothing of a run is left in the temporary folder, whatever the tests made and did not remove.
class RemoveProcessFolder : public testing::Environment {
 public:
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(ProcessFolder(), ignored);
  }
};

const testing::Environment* const kRemoveProcessFolder =
    testing::AddGlobalTestEnvironment(new RemoveProcessFolder);

}  // namespace

fs::path TempFolder(const std::string& name) {
  const fs::path folder = ProcessFolder() / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

}  // namespace setup::test
