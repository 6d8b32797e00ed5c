#include "platform/sim/SimRegistry.h"

#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

// Wine is looser than Windows in one place (its server takes a key name of 256 characters) and
// stricter in another (its RegCreateKeyExA refuses a key path over 260 characters); what Windows
// itself does is what the dry run shows.

constexpr RegistryRoot kRoots[] = {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser,
                                   RegistryRoot::LocalMachine, RegistryRoot::Users};

class SimKey : public RegistryKey {
 public:
  SimKey(SimRegistry& registry, SimKeyNode& node, std::string id)
      : registry_(registry), node_(node), id_(std::move(id)) {}

  std::string ReadString(const std::string& name) override {
    const SimValue* value = node_.FindValue(name);
    if (value == nullptr || value->type != SimValue::Type::String) return {};
    return value->text.substr(0, value->text.find('\0'));
  }
  bool WriteString(const std::string& name, const std::string& text) override {
    SimValue* value = Slot(name);
    if (value == nullptr) return false;
    value->type = SimValue::Type::String;
    value->text = text;
    return true;
  }
  bool WriteInteger(const std::string& name, std::int32_t number) override {
    SimValue* value = Slot(name);
    if (value == nullptr) return false;
    value->type = SimValue::Type::Dword;
    value->text.clear();
    value->number = static_cast<std::uint32_t>(number);
    return true;
  }
  bool DeleteValue(const std::string& name) override {
    if (!registry_.MayWrite(id_, name)) return node_.FindValue(name) == nullptr;
    const std::string upper = FoldPathCase(name);
    std::erase_if(node_.values,
                  [&](const SimValue& value) { return FoldPathCase(value.name) == upper; });
    return true;
  }
  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    for (const auto& [upper, child] : node_.children) names.push_back(child->name);
    return names;
  }

 private:
  SimValue* Slot(const std::string& name) {
    if (!registry_.MayWrite(id_, name)) return nullptr;
    if (Utf16Length(name) > kLongestValueName) return nullptr;
    if (SimValue* value = node_.FindValue(name)) return value;
    node_.values.emplace_back();
    node_.values.back().name = name;
    return &node_.values.back();
  }
  SimRegistry& registry_;
  SimKeyNode& node_;
  std::string id_;
};

}  // namespace

SimValue* SimKeyNode::FindValue(const std::string& name) {
  const std::string upper = FoldPathCase(name);
  for (SimValue& value : values) {
    if (FoldPathCase(value.name) == upper) return &value;
  }
  return nullptr;
}

const char* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegistryRoot::CurrentUser:
      return "HKEY_CURRENT_USER";
    case RegistryRoot::LocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::Users:
      return "HKEY_USERS";
  }
  return "";
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> names;
  std::string current;
  for (char c : path + '\\') {
    if (c != '\\') {
      current += c;
    } else if (!current.empty()) {
      names.push_back(current);
      current.clear();
    }
  }
  return names;
}

std::string KeyId(RegistryRoot root, const std::string& path) {
  std::string id = RootName(root);
  for (const std::string& name : SplitKeyPath(path)) id += "\\" + name;
  return FoldPathCase(id);
}

SimRegistry::SimRegistry() {
  for (RegistryRoot root : kRoots) roots_[static_cast<int>(root)].name = RootName(root);
  Walk(RegistryRoot::Users, ".DEFAULT", true);
}

SimKeyNode* SimRegistry::Walk(RegistryRoot root, const std::string& path, bool create) {
  SimKeyNode* node = &roots_[static_cast<int>(root)];
  const std::vector<std::string> names = SplitKeyPath(path);
  if (names.size() > kDeepestKey) return nullptr;
  for (const std::string& name : names) {
    if (Utf16Length(name) > kLongestKeyName) return nullptr;
    const std::string upper = FoldPathCase(name);
    auto found = node->children.find(upper);
    if (found == node->children.end()) {
      if (!create) return nullptr;
      auto child = std::make_unique<SimKeyNode>();
      child->name = name;
      found = node->children.emplace(upper, std::move(child)).first;
    }
    node = found->second.get();
  }
  return node;
}

bool SimRegistry::Denied(RegistryRoot root, const std::string& path) const {
  std::string id = RootName(root);
  if (deniedKeys_.count(id) != 0) return true;
  for (const std::string& name : SplitKeyPath(path)) {
    id += "\\" + FoldPathCase(name);
    if (deniedKeys_.count(id) != 0) return true;
  }
  return false;
}

bool SimRegistry::MayWrite(const std::string& keyId, const std::string& name) const {
  return deniedValues_.count(keyId + "|" + FoldPathCase(name)) == 0;
}

std::unique_ptr<RegistryKey> SimRegistry::OpenKey(RegistryRoot root, const std::string& path) {
  if (Denied(root, path)) return nullptr;
  SimKeyNode* node = Walk(root, path, false);
  if (node == nullptr) return nullptr;
  return std::make_unique<SimKey>(*this, *node, KeyId(root, path));
}

std::unique_ptr<RegistryKey> SimRegistry::CreateKey(RegistryRoot root, const std::string& path) {
  if (Denied(root, path)) return nullptr;
  SimKeyNode* node = Walk(root, path, true);
  if (node == nullptr) return nullptr;
  return std::make_unique<SimKey>(*this, *node, KeyId(root, path));
}

bool SimRegistry::DeleteKeyTree(RegistryRoot root, const std::string& path) {
  const std::vector<std::string> names = SplitKeyPath(path);
  if (names.empty() || Denied(root, path)) return !KeyExists(root, path);
  std::string parentPath;
  for (std::size_t i = 0; i + 1 < names.size(); ++i) parentPath += names[i] + "\\";
  if (SimKeyNode* parent = Walk(root, parentPath, false)) {
    parent->children.erase(FoldPathCase(names.back()));
  }
  return !KeyExists(root, path);
}

bool SimRegistry::DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) {
  SimKeyNode* node = Walk(root, path, false);
  if (node == nullptr) return true;
  if (!node->values.empty() || !node->children.empty()) return false;
  return DeleteKeyTree(root, path);
}

void SimRegistry::DenyKey(RegistryRoot root, const std::string& path) {
  deniedKeys_.insert(KeyId(root, path));
}

void SimRegistry::DenyValue(RegistryRoot root, const std::string& path, const std::string& name) {
  deniedValues_.insert(KeyId(root, path) + "|" + FoldPathCase(name));
}

std::optional<SimValue> SimRegistry::Find(RegistryRoot root, const std::string& path,
                                          const std::string& name) const {
  SimKeyNode* node = const_cast<SimRegistry*>(this)->Walk(root, path, false);
  if (node == nullptr) return std::nullopt;
  if (const SimValue* value = node->FindValue(name)) return *value;
  return std::nullopt;
}

bool SimRegistry::KeyExists(RegistryRoot root, const std::string& path) const {
  return const_cast<SimRegistry*>(this)->Walk(root, path, false) != nullptr;
}

}  // namespace setup
